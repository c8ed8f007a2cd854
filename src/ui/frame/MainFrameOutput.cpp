// The main window's commands on what the views show: the find bar, Save
// Output As, Copy All, and View > Timestamps kept in the settings store.
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "ui/frame/FindBar.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/SaveFolder.h"
#include "ui/frame/FrameZoom.h"
#include "ui/frame/TerminalViews.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSaveFile>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace kestrelon {

namespace {
// A preference of the user, not of the configuration: .kst files stay as they are.
constexpr char kViewGroup[] = "View";
constexpr char kTimestampsKey[] = "Timestamps";
} // namespace

void CMainFrame::BuildOutputArea(QWidget* holder)
{
    // The find bar, once built, sits under whichever view is shown.
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_viewStack, 1);

    if (m_store)
        m_timestamps = m_store->Read(kViewGroup, kTimestampsKey).value_or("0") == "1";
    m_doc.SetLogTimestamps(m_timestamps);
}

CFindBar& CMainFrame::FindBar()
{
    // Built on the first search: most sessions never search, and the bar's line
    // edit and buttons are a noticeable share of start-up.
    if (!m_findBar) {
        m_findBar = new CFindBar(centralWidget());
        m_findBar->hide();
        centralWidget()->layout()->addWidget(m_findBar);
        connect(m_findBar, &CFindBar::patternChanged, this, [this] { FindStep(true, true); });
        connect(m_findBar, &CFindBar::stepRequested, this, [this](bool forward) { FindStep(forward, false); });
        connect(m_findBar, &CFindBar::closed, this, &CMainFrame::CloseFind);
    }
    return *m_findBar;
}

bool CMainFrame::IsFindOpen() const
{
    return m_findBar && !m_findBar->isHidden();
}

void CMainFrame::OpenFind()
{
    if (!CanFindInTerminalView(View(m_activeView)))
        return;
    FindBar().Open();
    FindStep(true, true);
}

void CMainFrame::FindStep(bool forward, bool inclusive)
{
    QWidget* view = View(m_activeView);
    if (!CanFindInTerminalView(view))
        return;
    if (!IsFindOpen()) { // F3 before any Ctrl+F
        OpenFind();
        return;
    }
    SetTerminalViewFind(view, m_findBar->Text(), m_findBar->MatchCase());
    m_findBar->ShowResult(FindInTerminalView(view, forward, inclusive));
}

void CMainFrame::CloseFind()
{
    if (m_findBar)
        m_findBar->hide();
    for (int i = 0; i < VIEW_COUNT; ++i)
        SetTerminalViewFind(View(i), QString(), false);
    FocusActiveView();
}

void CMainFrame::SaveOutput()
{
    const std::optional<std::string> text = TerminalViewText(View(m_activeView));
    if (!text)
        return;
    const QString start = SaveDialogStart(m_configPath, QStringLiteral("Output.txt"));
    const QString path = m_chooseSaveFile ? m_chooseSaveFile(start)
                                          : QFileDialog::getSaveFileName(this, tr("Save Output As"), start,
                                                                         tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    // Written beside the target and renamed over it: a failed save leaves an
    // older file whole.
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(text->data(), static_cast<qint64>(text->size())) ==
                           static_cast<qint64>(text->size()) &&
                       file.commit();
    if (!saved)
        ShowMessageBox("The output could not be saved to " + path.toStdString() + ": " +
                           file.errorString().toStdString(),
                       MessageBoxIcon::Exclamation);
}

void CMainFrame::CopyAll()
{
    const std::optional<std::string> text = TerminalViewText(View(m_activeView));
    if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard != nullptr && text)
        clipboard->setText(QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())));
}

void CMainFrame::SetTimestamps(bool on)
{
    m_timestamps = on;
    if (m_store)
        m_store->Write(kViewGroup, kTimestampsKey, on ? "1" : "0");
    m_doc.SetLogTimestamps(on);
    for (int i = 0; i < VIEW_COUNT; ++i)
        SetTerminalViewTimestamps(View(i), on);
}

void CMainFrame::ApplyViewOptions(QWidget* view)
{
    SetTerminalViewTimestamps(view, m_timestamps);
    if (m_zoom)
        m_zoom->ApplyTo(view);
}

} // namespace kestrelon
