-- Uploads a firmware image with YModem and checks that the board reports it.
-- FIRMWARE names the file (default: firmware.bin in the current directory).
local path = os.getenv("FIRMWARE") or "firmware.bin"
local file = assert(io.open(path, "rb"))
local size = file:seek("end")
file:close()
local name = path:match("([^/]+)$")

sendline("")
expect("demo> ", 3000)
sendline("rb")
if not expect("rb: ready", 3000) then
  log("the board did not start its receiver")
  exit(1)
end
local sent, reason = send_file("ymodem", path)
if not sent then
  log("upload failed: " .. reason)
  exit(1)
end
expect("rb: done", 5000)
sendline("version")
-- The board keeps earlier uploads: a second fw.bin arrives as fw1.bin.
local stem = name:match("^[^.]*")
local _, reported, bytes = expect("firmware ([^,\r\n]+), (%d+) bytes", 3000)
if not reported or reported:sub(1, #stem) ~= stem or tonumber(bytes) ~= size then
  log("the board reports " .. tostring(reported) .. ", " .. tostring(bytes) .. " bytes")
  exit(2)
end
log("firmware " .. name .. " (" .. size .. " bytes) is on the board as " .. reported)
