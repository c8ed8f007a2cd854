// Logging of the shown traffic: starts and stops the document's log file and
// reports what goes wrong with it. The document's data channel writes the bytes;
// this class owns the decisions around them (names, failures, the log pane).
#pragma once

#include <ctime>
#include <string>

namespace kestrelon {

class CKestronDoc;
class IHubWindow;
class IMessageTarget;

class CDataLogger {
public:
    // Posts the log-pane notification to `frame`, reports through `window`.
    CDataLogger(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame);
    // Flushes and closes an open log, so nothing typed or received is lost on exit.
    ~CDataLogger();
    CDataLogger(const CDataLogger&) = delete;
    CDataLogger& operator=(const CDataLogger&) = delete;

    // The name proposed for a new log: local time as "Log_%y%m%d_%H%M%S.txt".
    static std::string DefaultFileName(std::time_t now);
    // $HOME, else the home directory of the user's account.
    static std::string HomeDirectory();

    // Starts logging into `path` (created, or emptied when it exists). A file
    // that cannot be created is reported. Does nothing while logging.
    bool Start(const std::string& path);
    // The start asked for by the device: a default name in `directory` (empty:
    // the home directory, never the working directory, which for a program
    // started from a desktop menu is anywhere), silent on failure. It never empties an existing
    // file: when the name is taken, as by a log stopped within the same second,
    // a number is added (Log_..1.txt, Log_..2.txt ...).
    bool StartQuiet(std::time_t now, const std::string& directory);
    // Flushes and closes the log. A flush that fails is reported: those are
    // bytes the user believes are on disk.
    void Stop();
    // A write of the data channel failed: report it and stop logging.
    void OnWriteFailure(int error);

    bool IsLogging() const;
    std::string Path() const; // empty while not logging

private:
    bool Open(const std::string& path);
    void Close(bool reportFailure);
    void Report(const std::string& what, int error);

    CKestronDoc& m_doc;
    IHubWindow& m_window;
    IMessageTarget& m_frame;
};

} // namespace kestrelon
