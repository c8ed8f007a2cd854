// The functions a script calls (send, expect, sleep, the line controls, the
// transfers, log, exit) as Lua C functions over one CScriptRunner.
#pragma once

#include <string_view>

struct lua_State;
struct lua_Debug;

namespace kestrelon {

class CScriptRunner;

class CScriptApi {
public:
    // Opens the standard libraries, then the script functions; print and
    // os.exit become log and exit, so a script cannot end the program.
    static void Register(lua_State* L, CScriptRunner& runner);
    // Checked every few thousand instructions: ends a script that was
    // stopped while it computed instead of waiting.
    static void Hook(lua_State* L, lua_Debug* debug);
    static constexpr int HOOK_INSTRUCTIONS = 1000;

private:
    static int Send(lua_State* L);
    static int SendLine(lua_State* L);
    static int Expect(lua_State* L);
    static int Sleep(lua_State* L);
    static int Now(lua_State* L);
    static int Dtr(lua_State* L);
    static int Rts(lua_State* L);
    static int Brk(lua_State* L);
    static int Baud(lua_State* L);
    static int SendFile(lua_State* L);
    static int ReceiveFile(lua_State* L);
    static int Log(lua_State* L);
    static int Print(lua_State* L);
    static int Exit(lua_State* L);

    static int Match(lua_State* L, CScriptRunner& runner);
    static int LineControl(lua_State* L, int what, int value);
    static int Transfer(lua_State* L, bool send);
    static int Ended(lua_State* L);
    // False with the reason pushed.
    static bool SendBytes(lua_State* L, CScriptRunner& runner, std::string_view bytes);
};

} // namespace kestrelon
