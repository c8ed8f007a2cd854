-- Resets the board and waits for its boot banner. On an adapter whose DTR
-- drives the board's reset pin, DTR low for 100 ms resets it; on a line
-- without DTR (the demo board's pseudo-terminal) the board's reset command
-- does.
if pcall(dtr, false) then
  sleep(100)
  dtr(true)
else
  log("no DTR on this line: sending the reset command")
  sendline("reset")
end
local _, version = expect("demo board ([%d.]+)", 5000)
if not version then
  log("no boot banner within 5 seconds")
  exit(1)
end
expect("demo> ", 2000)
log("the board is up, version " .. version)
