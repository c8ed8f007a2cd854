// The script command: arguments, the line, the runner on this thread and a
// watcher that turns SIGINT and SIGTERM into a stop.
#include "app/ScriptCommand.h"

#include "scripting/LineScriptLink.h"
#include "scripting/ScriptRunner.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

namespace kestrelon {
namespace {

const char* const USAGE = "usage: %s --script FILE.lua LINE [--echo]\n"
                          "LINE: --device TTY [--baud N] | --com N [--baud N] | --tcp HOST:PORT | --demo\n";

struct CScriptCommand {
    std::string path;
    CLineOptions line;
    bool echo = false;
};

bool Parse(int argc, char** argv, CScriptCommand& command, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const ELineOption taken = TakeLineOption(argc, argv, i, command.line, true);
        if (taken == ELineOption::Taken)
            continue;
        if (taken == ELineOption::Other && option == "--script" && i + 1 < argc && command.path.empty())
            command.path = argv[++i];
        else if (taken == ELineOption::Other && option == "--echo")
            command.echo = true;
        else {
            error = "bad option: " + option;
            return false;
        }
    }
    if (command.path.empty())
        error = "--script needs a file";
    else if (command.line.lines != 1)
        error = "name one line: --device, --com, --tcp or --demo";
    return error.empty();
}

// Stops the runner on SIGINT or SIGTERM until told that the script has ended.
class CSignalWatch {
public:
    explicit CSignalWatch(CScriptRunner& runner) : m_done(eventfd(0, EFD_CLOEXEC))
    {
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        m_signals = signalfd(-1, &signals, SFD_CLOEXEC);
        m_thread = std::thread([this, &runner] {
            pollfd polls[2] = {{m_signals, POLLIN, 0}, {m_done, POLLIN, 0}};
            while (poll(polls, 2, -1) < 0 && errno == EINTR) {
            }
            if (polls[0].revents & POLLIN)
                runner.Stop();
        });
    }
    ~CSignalWatch()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_done, &one, sizeof one);
        m_thread.join();
        close(m_signals);
        close(m_done);
    }
    CSignalWatch(const CSignalWatch&) = delete;
    CSignalWatch& operator=(const CSignalWatch&) = delete;

private:
    int m_done;
    int m_signals = -1;
    std::thread m_thread;
};

} // namespace

int RunScriptCommand(int argc, char** argv, bool& handled, const SettingsMaker& makeSettings)
{
    handled = false;
    for (int i = 1; i < argc && !handled; ++i)
        handled = std::strcmp(argv[i], "--script") == 0;
    if (!handled)
        return 0;
    CScriptCommand command;
    std::string error;
    if (!Parse(argc, argv, command, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        std::fprintf(stderr, USAGE, argv[0]);
        return 2;
    }
    // A peer that closes its socket makes a send fail; it must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    CCommandLineLine line;
    if (!line.Open(command.line, makeSettings, argv[0]))
        return 2;
    CLineScriptLink link(line.Descriptor(), line.Port(), command.echo ? stdout : nullptr);
    CScriptRunner runner(link);
    CScriptResult result;
    {
        CSignalWatch watch(runner);
        // Reading starts after the script: what the line says first is the script's.
        runner.Start(command.path, [&result](const CScriptResult& ended) { result = ended; });
        link.StartReading(runner);
        runner.Join();
        link.StopReading();
    }
    if (result.stopped)
        std::fprintf(stderr, "%s: the script was stopped\n", argv[0]);
    else if (!result.error.empty())
        std::fprintf(stderr, "%s\n", result.error.c_str());
    return result.exitCode;
}

} // namespace kestrelon
