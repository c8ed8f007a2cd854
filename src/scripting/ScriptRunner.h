// Runs one Lua script on a thread of its own against a connection seen through
// IScriptLink: the received bytes are fed in from the I/O side, the script's
// expect and sleep wait on them with deadlines, and a stop ends it at once.
#pragma once

#include "scripting/ScriptInbox.h"
#include "scripting/ScriptLink.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

struct lua_State;

namespace kestrelon {

// An expect without a timeout gives up after this long.
constexpr int SCRIPT_EXPECT_DEFAULT_MS = 10000;
// A script that builds tables without end meets "not enough memory" here,
// long before the terminal it runs in would.
constexpr std::size_t SCRIPT_MEMORY_LIMIT = 256u << 20;

struct CScriptResult {
    int exitCode = 0;     // 0 normal end, the value of exit(), 1 on an error or a stop
    bool stopped = false; // ended by Stop
    std::string error;    // "file:line: message" of a script error
};

class CScriptRunner {
public:
    explicit CScriptRunner(IScriptLink& link);
    // Stops a running script and waits for its thread.
    ~CScriptRunner();
    CScriptRunner(const CScriptRunner&) = delete;
    CScriptRunner& operator=(const CScriptRunner&) = delete;

    // Runs the script at `path` on a new thread; `ended` is called on that
    // thread with the result, last. False while a script runs.
    bool Start(const std::string& path, std::function<void(const CScriptResult&)> ended);
    // From the I/O side, any thread: bytes the connection received.
    void Feed(const std::uint8_t* data, std::size_t length) { m_inbox.Feed(data, length); }
    // The connection is gone: expects stop waiting (they return nil).
    void LineClosed() { m_inbox.Close(); }
    // From any thread, returns at once: a blocked expect, sleep or transfer
    // wakes and the script ends.
    void Stop();
    void Join();
    bool IsRunning() const { return m_running.load(); }

private:
    friend class CScriptApi;
    void Prepare();
    static void* Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize);
    CScriptResult Execute(const std::string& path);
    bool Ending() const { return m_ending.load(); }
    void SetState(EScriptState state) { m_link.OnScriptState(state); }

    IScriptLink& m_link;
    CScriptInbox m_inbox;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_ending{false}; // a stop or exit(): every Lua step fails from now on
    std::atomic<bool> m_stopRequested{false};
    int m_exitCode = 0;
    bool m_exitCalled = false;
    CScriptInbox::Clock::time_point m_start;
    std::string m_seen;         // received, not yet consumed by an expect
    std::size_t m_luaBytes = 0; // what the Lua state holds, on the script's thread
};

} // namespace kestrelon
