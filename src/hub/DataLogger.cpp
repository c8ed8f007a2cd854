// CDataLogger: start, stop and failures of the log file.
#include "hub/DataLogger.h"

#include "document/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

namespace kestrelon {

namespace {

// How many numbered names a quiet start tries before it gives up: a device that
// starts logs faster than that within one second is not worth more files.
constexpr int MAX_NAME_SUFFIX = 999;

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return (std::filesystem::path(directory) / name).string();
}

bool Exists(const std::string& path)
{
    // A name that cannot even be examined counts as taken.
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

} // namespace

CDataLogger::CDataLogger(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame)
    : m_doc(doc), m_window(window), m_frame(frame)
{
}

CDataLogger::~CDataLogger()
{
    if (m_doc.logging) {
        m_doc.logFile.Close();
        m_doc.logging = false;
    }
}

std::string CDataLogger::DefaultFileName(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    const std::size_t n = std::strftime(name, sizeof name, "Log_%y%m%d_%H%M%S.txt", &local);
    return std::string(name, n);
}

std::string CDataLogger::HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_dir != nullptr)
        return account->pw_dir;
    return "/";
}

bool CDataLogger::IsLogging() const
{
    return m_doc.logging;
}

std::string CDataLogger::Path() const
{
    return m_doc.logging ? m_doc.logFile.Path() : std::string();
}

bool CDataLogger::Open(const std::string& path)
{
    if (!m_doc.logFile.Open(path))
        return false;
    m_doc.logging = true;
    m_frame.Post(MakeMessage(WM_TERMINAL, TC_LOGGING, 1));
    return true;
}

bool CDataLogger::Start(const std::string& path)
{
    if (m_doc.logging)
        return false;
    if (Open(path))
        return true;
    Report("The log file " + path + " could not be created", m_doc.logFile.LastError());
    return false;
}

bool CDataLogger::StartQuiet(std::time_t now, const std::string& directory)
{
    if (m_doc.logging)
        return false;
    const std::string name = DefaultFileName(now);
    const std::string stem = name.substr(0, name.size() - 4); // without ".txt"
    const std::string where = directory.empty() ? HomeDirectory() : directory;
    std::string path = JoinPath(where, name);
    for (int suffix = 1; Exists(path); ++suffix) {
        if (suffix > MAX_NAME_SUFFIX)
            return false;
        path = JoinPath(where, stem + std::to_string(suffix) + ".txt");
    }
    return Open(path);
}

void CDataLogger::Stop()
{
    Close(true);
}

void CDataLogger::OnWriteFailure(int error)
{
    if (!m_doc.logging)
        return;
    Report("Error on writing the log file " + m_doc.logFile.Path() + "; logging stopped", error);
    Close(false); // the buffered rest cannot be written either: one report is enough
}

void CDataLogger::Close(bool reportFailure)
{
    if (!m_doc.logging)
        return;
    const std::string path = m_doc.logFile.Path();
    const bool written = m_doc.logFile.Close();
    m_doc.logging = false;
    m_frame.Post(MakeMessage(WM_TERMINAL, TC_LOGGING, 0));
    if (!written && reportFailure)
        Report("The end of the log file " + path + " could not be written", m_doc.logFile.LastError());
}

void CDataLogger::Report(const std::string& what, int error)
{
    m_window.ShowMessageBox(what + ": " + std::strerror(error), MessageBoxIcon::Exclamation);
}

} // namespace kestrelon
