// Start-up, document commands and the recent-file list of the application.
#include "ui/frame/KestronApp.h"
#include "ui/frame/FrameZoom.h"

#include "document/ConfigSettings.h"
#include "document/KestronDoc.h"
#include "document/KstArchive.h"
#include "document/RemoteSerialSetting.h"
#include "hub/DataHub.h"
#include "serial/ComPortEnumerator.h"
#include "serial/SessionPortStore.h"
#include "ui/frame/LatencyProbe.h"
#include "ui/frame/QtSettingsStore.h"
#include "ui/frame/SaveFolder.h"
#include "ui/frame/StringTable.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace kestrelon {

namespace {
const QString kRecentGroup = QStringLiteral("Recent File List");
const QString kFilter = QStringLiteral("Kestrelon configurations (*.kst);;All files (*)");
QString AppName()
{
    return QString::fromUtf8(LoadString(IDS_APP_NAME).data(), int(LoadString(IDS_APP_NAME).size()));
}
} // namespace

CKestronApp::CKestronApp(std::unique_ptr<QSettings> profile)
    : m_profile(profile ? std::move(profile) : std::make_unique<QSettings>(QStringLiteral("Varnoth"), AppName())),
      m_userStore(std::make_unique<CQtSettingsStore>(*m_profile)),
      m_store(std::make_unique<CSessionPortStore>(*m_userStore)), m_doc(std::make_unique<CKestronDoc>())
{
    // A new configuration starts on the first port this machine has.
    m_doc->SetFirstPortFinder([store = m_store.get()] { return CComPortEnumerator(*store).FirstPort(); });
}

CKestronApp::~CKestronApp()
{
    // The window (and the hub with its threads) goes before the document; the
    // demo device after the window closed its line.
    m_frame.reset();
    m_demo.Stop();
}

ISettingsStore& CKestronApp::Store()
{
    return *m_store;
}

QString CKestronApp::FileArgument(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        if (!argument.startsWith(QLatin1String("--")))
            return argument;
    return {};
}

bool CKestronApp::InitInstance(const QStringList& arguments, CMainFrame::HubFactory hubFactory)
{
    m_frame = std::make_unique<CMainFrame>(*m_doc, m_profile.get(), m_store.get());
    if (!m_frame->Create(std::move(hubFactory)))
        return false;
    CLatencyProbe::StartIfRequested(m_frame.get());
    connect(m_frame.get(), &CMainFrame::documentCommand, this, &CKestronApp::OnDocumentCommand);
    connect(m_frame.get(), &CMainFrame::recentFileChosen, this, [this](int index) {
        const QStringList recent = RecentFiles();
        if (index < recent.size() && SaveModified())
            OpenDocumentFile(recent[index]);
    });
    connect(m_frame.get(), &CMainFrame::filesDropped, this, [this](const QStringList& paths) {
        if (SaveModified())
            OpenDocumentFile(paths.front());
    });
    m_frame->SetCloseQuery([this] { return SaveModified(); });
    m_frame->SetRecentFiles(RecentFiles());

    // The views exist before the first document, so they see its settings.
    m_frame->SwitchView(3);
    m_frame->SwitchView(2);
    m_frame->SwitchView(1);
    m_frame->SwitchView(0);

    const QString file = FileArgument(arguments);
    if (file.isEmpty() ? !OnFileNew() : !OpenDocumentFile(file))
        return false;
    if (file.isEmpty() && arguments.contains(QStringLiteral("--demo")))
        StartDemo();
    const int placement = m_frame->RestorePlacement();
    m_frame->ShowAsSaved(placement);
    if (placement < 0) // nothing saved: 80 x 25 cells of the ASCII view
        m_frame->Zoom()->FitFirstSize();
    return true;
}

void CKestronApp::StartDemo()
{
    QString error;
    if (!m_demo.Start(m_demoProgram.isEmpty() ? CDemoLauncher::DefaultProgram() : m_demoProgram, error)) {
        ShowError(error);
        return;
    }
    const std::uint32_t port = CComPortEnumerator(*m_store).FreeNumber(DEMO_FIRST_PORT);
    if (port == 0) {
        ShowError(QStringLiteral("No free COM number from %1 up for the demo device.").arg(DEMO_FIRST_PORT));
        m_demo.Stop();
        return;
    }
    m_store->SetSessionAlias(port, QFile::encodeName(m_demo.DevicePath()).toStdString());
    m_demoPort = port;
    // The new document announced its settings by a posted message, which the
    // frame handles once the event loop runs: it opens the port set here.
    // Scanning for in-band commands stays off as in any new document: it would
    // swallow the escape sequences of the board's menu.
    m_doc->commMode = 0;
    m_doc->comPort = port;
    m_doc->dcb.BaudRate = DEMO_BAUD_RATE;
    m_frame->SetConnectionNote(QStringLiteral("Demo device on COM%1").arg(port), [this, port] {
        return m_doc->commMode == 0 && m_doc->comPort == port;
    });
}

QStringList CKestronApp::RecentFiles() const
{
    QStringList files;
    for (int i = 1; i <= RECENT_FILE_COUNT; ++i) {
        const QString path = m_profile->value(kRecentGroup + QStringLiteral("/File%1").arg(i)).toString();
        if (!path.isEmpty())
            files << path;
    }
    return files;
}

void CKestronApp::AddToRecentFiles(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QStringList before = RecentFiles();
    QStringList files = before;
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > RECENT_FILE_COUNT)
        files.removeLast();
    if (files == before)
        return; // reopening the newest file: nothing to write (a sync waits for the disk)
    m_profile->remove(kRecentGroup);
    for (int i = 0; i < files.size(); ++i)
        m_profile->setValue(kRecentGroup + QStringLiteral("/File%1").arg(i + 1), files[i]);
    m_profile->sync();
    if (m_frame)
        m_frame->SetRecentFiles(files);
}

void CKestronApp::OnDocumentCommand(int command)
{
    switch (command) {
    case ID_FILE_NEW:
        if (SaveModified())
            OnFileNew();
        break;
    case ID_FILE_OPEN:
        if (SaveModified())
            OnFileOpen();
        break;
    case ID_FILE_SAVE:
        OnFileSave();
        break;
    case ID_FILE_SAVE_AS:
        OnFileSaveAs();
        break;
    default:
        break;
    }
}

bool CKestronApp::OnFileNew()
{
    // Stopped here rather than by the document, so that a last write that
    // fails is reported as a stop from the menu reports it.
    if (m_frame && m_frame->Hub() && m_frame->Hub()->IsLogging())
        m_frame->Hub()->StopLogging();
    if (!m_doc->OnNewDocument())
        return false;
    m_path.clear();
    UpdateTitle();
    return true;
}

bool CKestronApp::OnFileOpen()
{
    const QString path = m_chooseFile ? m_chooseFile(false, m_path)
                                      : QFileDialog::getOpenFileName(m_frame.get(), QString(), m_path, kFilter);
    return !path.isEmpty() && OpenDocumentFile(path);
}

bool CKestronApp::OpenDocumentFile(const QString& path)
{
    CKstError error;
    if (!CKstArchive::Load(*m_doc, QFile::encodeName(path).toStdString(), error)) {
        // The document stays as it was.
        ShowError(QStringLiteral("Cannot open %1:\n%2").arg(path, QString::fromStdString(error.Describe())));
        return false;
    }
    m_path = QFileInfo(path).absoluteFilePath();
    // Before the connection is applied (the load posted that): the store says
    // whether the file's TCP client is a remote serial port.
    m_doc->remoteSerialPort = LoadRemoteSerial(*m_store, QFile::encodeName(m_path).toStdString());
    AddToRecentFiles(m_path);
    UpdateTitle();
    return true;
}

bool CKestronApp::OnFileSave()
{
    return m_path.isEmpty() ? OnFileSaveAs() : SaveDocumentFile(m_path);
}

bool CKestronApp::OnFileSaveAs()
{
    const QString start = m_path.isEmpty() ? SaveDialogStart(QString(), Title() + QStringLiteral(".kst")) : m_path;
    QString path = m_chooseFile ? m_chooseFile(true, start)
                                : QFileDialog::getSaveFileName(m_frame.get(), QString(), start, kFilter);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".kst");
    return SaveDocumentFile(path);
}

bool CKestronApp::SaveDocumentFile(const QString& path)
{
    CKstError error;
    if (!CKstArchive::Save(*m_doc, QFile::encodeName(path).toStdString(), error)) {
        ShowError(QStringLiteral("Cannot save %1:\n%2").arg(path, QString::fromStdString(error.Describe())));
        return false;
    }
    m_doc->SetModifiedFlag(false);
    const QString savedPath = QFileInfo(path).absoluteFilePath();
    // Under a new name the file keeps its zoom, pacing and view options.
    CarryConfigSettings(*m_store, QFile::encodeName(m_path).toStdString(), QFile::encodeName(savedPath).toStdString());
    m_path = savedPath;
    SaveRemoteSerial(*m_store, QFile::encodeName(m_path).toStdString(), m_doc->remoteSerialPort);
    AddToRecentFiles(m_path);
    UpdateTitle();
    return true;
}

bool CKestronApp::SaveModified()
{
    if (!m_doc->IsModified())
        return true;
    QMessageBox box(QMessageBox::Warning, AppName(), QStringLiteral("Save changes to %1?").arg(Title()),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_frame.get());
    switch (RunDialog(box)) {
    case QMessageBox::Yes:
        return OnFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CKestronApp::QuitWithoutQuestions()
{
    if (m_frame) {
        m_frame->SetCloseQuery({});
        // Each dismissed dialog ends its own event loop on the way out.
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                dialog->reject();
        m_frame->close();
    }
    QCoreApplication::quit();
}

QString CKestronApp::Title() const
{
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).completeBaseName();
}

void CKestronApp::UpdateTitle()
{
    if (!m_frame)
        return;
    m_frame->SetDocumentTitle(Title());
    m_frame->SetDocumentPath(m_path);
}

void CKestronApp::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, AppName(), text, QMessageBox::Ok, m_frame.get());
    RunDialog(box);
}

int CKestronApp::RunDialog(QDialog& dialog)
{
    return m_frame ? m_frame->RunModal(dialog) : dialog.exec();
}

} // namespace kestrelon
