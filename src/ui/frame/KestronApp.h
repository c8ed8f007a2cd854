// The application: the user's settings profile, the terminal document, the main
// window and the document commands (new, open, save, recent files, dropped
// files, the prompt to save changes). Start-up processes the command line
// `kestrelon [--demo] [FILE.kst]`; --demo connects a new document to the demo
// device on a session-only COM number.
#pragma once

#include "ui/frame/DemoLauncher.h"
#include "ui/frame/MainFrame.h"

#include <QObject>
#include <QSettings>
#include <QStringList>

#include <functional>
#include <memory>

namespace kestrelon {

class CKestronDoc;
class CQtSettingsStore;
class CSessionPortStore;

class CKestronApp : public QObject {
    Q_OBJECT
public:
    static constexpr int RECENT_FILE_COUNT = 10;
    // The demo device takes the lowest free number from here up.
    static constexpr std::uint32_t DEMO_FIRST_PORT = 200;
    static constexpr std::uint32_t DEMO_BAUD_RATE = 115200;

    // `profile` null: the user's profile, QSettings("Varnoth", "Kestrelon").
    explicit CKestronApp(std::unique_ptr<QSettings> profile = nullptr);
    ~CKestronApp() override;

    // Builds the main window, opens the file named by `arguments` (without the
    // program name) or makes a new document, and shows the window. False when
    // the named file cannot be opened.
    bool InitInstance(const QStringList& arguments, CMainFrame::HubFactory hubFactory = {});
    // The .kst file named on a command line, empty when none.
    static QString FileArgument(const QStringList& arguments);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CKestronDoc& Document() { return *m_doc; }
    QSettings& Profile() { return *m_profile; }
    ISettingsStore& Store();
    QString PathName() const { return m_path; }
    // The store with the session-only COM numbers (the demo's, a command line's device).
    CSessionPortStore& PortStore() { return *m_store; }
    void ShowError(const QString& text);

    QStringList RecentFiles() const;
    void AddToRecentFiles(const QString& path);

    bool OnFileNew();
    bool OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Asks to save a modified document: false when the user cancels or saving fails.
    bool SaveModified();
    // Ends the program as File > Exit does, without asking anything: open
    // dialogs are dismissed, the window closes (its layout is saved) and the
    // event loop ends; the connections and the log close as the window goes.
    void QuitWithoutQuestions();
    bool OpenDocumentFile(const QString& path);
    bool SaveDocumentFile(const QString& path);

    // The demo device program --demo starts; by default the one beside this program.
    void SetDemoProgram(const QString& program) { m_demoProgram = program; }
    // The COM number of the running demo device; 0 when there is none.
    std::uint32_t DemoPort() const { return m_demoPort; }

    // File dialogs: `save` true for Save As. Tests answer them here.
    void SetFileChooser(std::function<QString(bool save, const QString& start)> chooser)
    {
        m_chooseFile = std::move(chooser);
    }

private:
    void OnDocumentCommand(int command);
    void UpdateTitle();
    QString Title() const;
    int RunDialog(QDialog& dialog);
    // Starts the demo device and puts the new document on it.
    void StartDemo();

    std::unique_ptr<QSettings> m_profile;
    std::unique_ptr<CQtSettingsStore> m_userStore;
    std::unique_ptr<CSessionPortStore> m_store; // over m_userStore
    std::unique_ptr<CKestronDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    QString m_path;
    std::function<QString(bool, const QString&)> m_chooseFile;
    CDemoLauncher m_demo; // ends after the window closed its port (destructor)
    QString m_demoProgram;
    std::uint32_t m_demoPort = 0;
};

} // namespace kestrelon
