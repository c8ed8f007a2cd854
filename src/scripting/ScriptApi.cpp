// CScriptApi: each function checks its arguments (a bad one is a Lua error
// naming the script's line), calls the runner's inbox or link, and answers.
// A stop or exit() raises an error that the runner recognises as the end.
#include "scripting/ScriptApi.h"

#include "scripting/ScriptRunner.h"
#include "transfer/TransferOutcome.h"

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>

#include <algorithm>
#include <string>

namespace kestrelon {
namespace {

// Where Register keeps string.find, so a script that replaces it cannot break expect.
const char kFindKey = 0;

CScriptRunner& Runner(lua_State* L)
{
    return **static_cast<CScriptRunner**>(lua_getextraspace(L));
}

// Longer waits are cut to this (a hundred days), so the clock's arithmetic
// cannot overflow into a deadline in the past.
constexpr lua_Integer LONGEST_WAIT_MS = 100LL * 24 * 3600 * 1000;

CScriptInbox::Clock::time_point DeadlineIn(lua_Integer ms)
{
    return CScriptInbox::Clock::now() + std::chrono::milliseconds(std::min(ms, LONGEST_WAIT_MS));
}

// dtr(true), dtr(1), dtr(false), dtr(0).
int OnOff(lua_State* L)
{
    luaL_checkany(L, 1);
    if (lua_type(L, 1) == LUA_TNUMBER)
        return lua_tonumber(L, 1) != 0 ? 1 : 0;
    return lua_toboolean(L, 1) ? 1 : 0;
}

// Raises the message on top of the stack, prefixed with the script's file and
// line. Callers let their C++ objects go first: the error unwinds past them.
int RaiseAtLine(lua_State* L)
{
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
    return lua_error(L);
}

} // namespace

void CScriptApi::Register(lua_State* L, CScriptRunner& runner)
{
    *static_cast<CScriptRunner**>(lua_getextraspace(L)) = &runner;
    luaL_openlibs(L);
    lua_getglobal(L, "string");
    lua_getfield(L, -1, "find");
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kFindKey);
    lua_pop(L, 1);
    static const luaL_Reg kFunctions[] = {{"send", Send},
                                          {"sendline", SendLine},
                                          {"expect", Expect},
                                          {"sleep", Sleep},
                                          {"now", Now},
                                          {"dtr", Dtr},
                                          {"rts", Rts},
                                          {"brk", Brk},
                                          {"baud", Baud},
                                          {"send_file", SendFile},
                                          {"receive_file", ReceiveFile},
                                          {"log", Log},
                                          {"print", Print},
                                          {"exit", Exit},
                                          {nullptr, nullptr}};
    lua_pushglobaltable(L);
    luaL_setfuncs(L, kFunctions, 0);
    lua_pop(L, 1);
    lua_getglobal(L, "os");
    lua_pushcfunction(L, Exit);
    lua_setfield(L, -2, "exit");
    lua_pop(L, 1);
}

void CScriptApi::Hook(lua_State* L, lua_Debug* /*debug*/)
{
    if (Runner(L).Ending())
        Ended(L);
}

int CScriptApi::Ended(lua_State* L)
{
    // Set to every instruction, so a pcall in the script cannot hold on.
    lua_sethook(L, Hook, LUA_MASKCOUNT, 1);
    return luaL_error(L, "script ended");
}

bool CScriptApi::SendBytes(lua_State* L, CScriptRunner& runner, std::string_view bytes)
{
    std::string error;
    if (runner.m_link.Send(bytes, error))
        return true;
    lua_pushfstring(L, "cannot send: %s", error.c_str());
    return false;
}

int CScriptApi::Send(lua_State* L)
{
    std::size_t size = 0;
    const char* text = luaL_checklstring(L, 1, &size);
    return SendBytes(L, Runner(L), std::string_view(text, size)) ? 0 : RaiseAtLine(L);
}

int CScriptApi::SendLine(lua_State* L)
{
    std::size_t size = 0;
    const char* text = luaL_optlstring(L, 1, "", &size);
    CScriptRunner& runner = Runner(L);
    bool sent = false;
    {
        const std::string line = std::string(text, size) + runner.m_link.LineEnd();
        sent = SendBytes(L, runner, line);
    }
    return sent ? 0 : RaiseAtLine(L);
}

// string.find over the unconsumed data: on a match the data up to its end is
// consumed and the matched text and captures are left on the stack.
int CScriptApi::Match(lua_State* L, CScriptRunner& runner)
{
    const int top = lua_gettop(L);
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kFindKey);
    lua_pushlstring(L, runner.m_seen.data(), runner.m_seen.size());
    lua_pushvalue(L, 1);
    if (lua_pcall(L, 2, LUA_MULTRET, 0) != LUA_OK)
        return luaL_error(L, "%s", lua_tostring(L, -1)); // a malformed pattern, now with the script's line
    if (lua_isnil(L, top + 1)) {
        lua_settop(L, top);
        if (runner.m_seen.size() > SCRIPT_EXPECT_WINDOW)
            runner.m_seen.erase(0, runner.m_seen.size() - SCRIPT_EXPECT_WINDOW);
        return 0;
    }
    const auto first = static_cast<std::size_t>(lua_tointeger(L, top + 1));
    const auto last = static_cast<std::size_t>(lua_tointeger(L, top + 2));
    const int results = lua_gettop(L) - top - 1;
    lua_pushlstring(L, runner.m_seen.data() + first - 1, last + 1 - first);
    lua_replace(L, top + 1);
    lua_remove(L, top + 2);
    runner.m_seen.erase(0, last);
    return results;
}

int CScriptApi::Expect(lua_State* L)
{
    luaL_checkstring(L, 1);
    const lua_Integer ms = luaL_optinteger(L, 2, SCRIPT_EXPECT_DEFAULT_MS);
    luaL_argcheck(L, ms >= 0, 2, "a timeout is not negative");
    lua_settop(L, 1);
    const auto deadline = DeadlineIn(ms);
    CScriptRunner& runner = Runner(L);
    runner.SetState(EScriptState::Expecting);
    for (;;) {
        if (const int results = Match(L, runner); results > 0) {
            runner.SetState(EScriptState::Running);
            return results;
        }
        const CScriptInbox::EWait wait = runner.m_inbox.Take(runner.m_seen, deadline);
        if (wait == CScriptInbox::EWait::Stopped)
            return Ended(L);
        if (wait != CScriptInbox::EWait::Data) {
            runner.SetState(EScriptState::Running);
            lua_pushnil(L);
            return 1;
        }
    }
}

int CScriptApi::Sleep(lua_State* L)
{
    const lua_Integer ms = luaL_checkinteger(L, 1);
    CScriptRunner& runner = Runner(L);
    runner.SetState(EScriptState::Sleeping);
    if (!runner.m_inbox.Sleep(DeadlineIn(ms < 0 ? 0 : ms)))
        return Ended(L);
    runner.SetState(EScriptState::Running);
    return 0;
}

int CScriptApi::Now(lua_State* L)
{
    const auto elapsed = CScriptInbox::Clock::now() - Runner(L).m_start;
    lua_pushinteger(L, std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    return 1;
}

int CScriptApi::LineControl(lua_State* L, int what, int value)
{
    bool done = false;
    {
        const std::string error = Runner(L).m_link.LineControl(static_cast<EScriptLine>(what), value);
        done = error.empty();
        if (!done)
            lua_pushlstring(L, error.data(), error.size());
    }
    return done ? 0 : RaiseAtLine(L);
}

int CScriptApi::Dtr(lua_State* L)
{
    return LineControl(L, static_cast<int>(EScriptLine::Dtr), OnOff(L));
}

int CScriptApi::Rts(lua_State* L)
{
    return LineControl(L, static_cast<int>(EScriptLine::Rts), OnOff(L));
}

int CScriptApi::Brk(lua_State* L)
{
    const lua_Integer ms = luaL_optinteger(L, 1, 250);
    luaL_argcheck(L, ms > 0 && ms <= 10000, 1, "a break lasts 1 to 10000 ms");
    return LineControl(L, static_cast<int>(EScriptLine::Break), static_cast<int>(ms));
}

int CScriptApi::Baud(lua_State* L)
{
    const lua_Integer rate = luaL_checkinteger(L, 1);
    luaL_argcheck(L, rate >= 50 && rate <= 4000000, 1, "a line rate is 50 to 4000000");
    return LineControl(L, static_cast<int>(EScriptLine::Baud), static_cast<int>(rate));
}

int CScriptApi::Transfer(lua_State* L, bool send)
{
    const char* name = luaL_checkstring(L, 1);
    const char* path = luaL_checkstring(L, 2);
    const int protocol = TransferProtocolByName(name);
    luaL_argcheck(L, protocol >= 0, 1, "protocol is xmodem, xmodem1k, ymodem, zim or none");
    luaL_argcheck(L, send || TransferProtocolReceives(protocol), 1, "zim and none only send");
    CScriptRunner& runner = Runner(L);
    runner.SetState(EScriptState::Transferring);
    bool done = false;
    {
        const std::string reason = runner.m_link.Transfer(send, protocol, path);
        done = reason.empty();
        lua_pushlstring(L, reason.data(), reason.size());
    }
    if (runner.Ending())
        return Ended(L);
    runner.SetState(EScriptState::Running);
    if (done) {
        lua_pushboolean(L, 1);
        return 1;
    }
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

int CScriptApi::SendFile(lua_State* L)
{
    return Transfer(L, true);
}

int CScriptApi::ReceiveFile(lua_State* L)
{
    return Transfer(L, false);
}

int CScriptApi::Log(lua_State* L)
{
    std::size_t size = 0;
    const char* text = luaL_tolstring(L, 1, &size);
    Runner(L).m_link.Log(std::string_view(text, size));
    return 0;
}

int CScriptApi::Print(lua_State* L)
{
    const int count = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            lua_pushliteral(L, "\t");
        luaL_tolstring(L, i, nullptr);
    }
    lua_concat(L, count > 0 ? 2 * count - 1 : 0);
    std::size_t size = 0;
    const char* text = lua_tolstring(L, -1, &size);
    Runner(L).m_link.Log(std::string_view(text, size));
    return 0;
}

int CScriptApi::Exit(lua_State* L)
{
    lua_Integer code = 0;
    if (lua_isboolean(L, 1))
        code = lua_toboolean(L, 1) ? 0 : 1;
    else
        code = luaL_optinteger(L, 1, 0);
    luaL_argcheck(L, code >= 0 && code <= 255, 1, "an exit code is 0 to 255");
    CScriptRunner& runner = Runner(L);
    runner.m_exitCode = static_cast<int>(code);
    runner.m_exitCalled = true;
    runner.m_ending.store(true);
    return Ended(L);
}

} // namespace kestrelon
