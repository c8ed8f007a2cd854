-- Logs in to the demo board: wakes its prompt, starts the login dialogue and
-- answers both questions. Set USER_NAME and PASSWORD in the environment, or
-- take the defaults.
local user = os.getenv("USER_NAME") or "developer"
local password = os.getenv("PASSWORD") or "secret"

sendline("")
if not expect("demo> ", 3000) then
  log("the board shows no prompt")
  exit(1)
end
sendline("login")
expect("login: ")
sendline(user)
expect("password: ")
sendline(password)
local _, name = expect("Welcome, ([^.]+)%.", 3000)
if name ~= user then
  log("login refused")
  exit(1)
end
log("logged in as " .. name)
