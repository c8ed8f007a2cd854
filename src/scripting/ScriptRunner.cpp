// CScriptRunner: one Lua state per run, made and closed on the script's
// thread. Lua is built as C++ here, so its errors unwind like exceptions.
#include "scripting/ScriptRunner.h"

#include "scripting/ScriptApi.h"

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>

#include <cstdlib>

namespace kestrelon {

CScriptRunner::CScriptRunner(IScriptLink& link) : m_link(link)
{
}

CScriptRunner::~CScriptRunner()
{
    Stop();
    Join();
}

bool CScriptRunner::Start(const std::string& path, std::function<void(const CScriptResult&)> ended)
{
    if (m_running.load())
        return false;
    Join();
    Prepare();
    m_thread = std::thread([this, path, ended = std::move(ended)] {
        const CScriptResult result = Execute(path);
        m_running.store(false);
        if (ended)
            ended(result);
    });
    return true;
}

void CScriptRunner::Stop()
{
    m_stopRequested.store(true);
    m_ending.store(true);
    m_inbox.Stop();
    m_link.StopTransfer();
}

void CScriptRunner::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void* CScriptRunner::Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize)
{
    auto& runner = *static_cast<CScriptRunner*>(self);
    const std::size_t held = block ? oldSize : 0; // without a block, oldSize names a type
    if (newSize == 0) {
        std::free(block);
        runner.m_luaBytes -= held;
        return nullptr;
    }
    if (runner.m_luaBytes - held + newSize > SCRIPT_MEMORY_LIMIT)
        return nullptr; // Lua raises "not enough memory"
    void* grown = std::realloc(block, newSize);
    if (grown)
        runner.m_luaBytes = runner.m_luaBytes - held + newSize;
    return grown;
}

void CScriptRunner::Prepare()
{
    m_running.store(true);
    m_inbox.Reset();
    m_ending.store(false);
    m_stopRequested.store(false);
    m_exitCalled = false;
    m_exitCode = 0;
    m_seen.clear();
}

CScriptResult CScriptRunner::Execute(const std::string& path)
{
    m_start = CScriptInbox::Clock::now();
    m_link.OnScriptState(EScriptState::Running);
    CScriptResult result;
    m_luaBytes = 0;
    lua_State* L = lua_newstate(Allocate, this);
    if (L == nullptr) {
        result.exitCode = 1;
        result.error = path + ": out of memory";
        m_link.OnScriptState(EScriptState::Failed);
        return result;
    }
    CScriptApi::Register(L, *this);
    lua_sethook(L, CScriptApi::Hook, LUA_MASKCOUNT, CScriptApi::HOOK_INSTRUCTIONS);
    // Text only: a precompiled chunk can crash the interpreter.
    int rc = luaL_loadfilex(L, path.c_str(), "t");
    if (rc == LUA_OK)
        rc = lua_pcall(L, 0, 0, 0);
    if (m_exitCalled) {
        result.exitCode = m_exitCode;
    } else if (m_stopRequested.load()) {
        result.exitCode = 1;
        result.stopped = true;
    } else if (rc != LUA_OK) {
        result.exitCode = 1;
        const char* message = lua_tostring(L, -1);
        result.error = message ? message : path + ": an error without a message";
    }
    lua_close(L);
    m_link.OnScriptState(result.stopped         ? EScriptState::Stopped
                         : result.error.empty() ? EScriptState::Ended
                                                : EScriptState::Failed);
    return result;
}

} // namespace kestrelon
