// The main window's commands: the menu and toolbar tables, what each command
// does, and the enabled and checked states the menus show.
#include "ui/dialogs/AutoAnswerDialog.h"
#include "ui/dialogs/FunctionKeysDialog.h"
#include "ui/dialogs/CommDialog.h"
#include "hub/DataHub.h"
#include "ui/frame/FrameDialogs.h"
#include "document/KestronDoc.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/FramePacing.h"
#include "ui/frame/FrameTransfers.h"
#include "ui/frame/SaveFolder.h"
#include "document/Messages.h"
#include "ui/frame/StringTable.h"
#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"
#include "ui/frame/TerminalViews.h"
#include "ui/frame/ToolbarIcons.h"
#include "ui/views/FontMapping.h"
#include "ui/dialogs/TerminalDialog.h"
#include "ui/widgets/SizingDialogBar.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QToolBar>
#include <QWhatsThis>

#include <array>

namespace kestrelon {

namespace {

constexpr int kSeparator = 0;

struct MenuItem {
    int command;
    const char* text;
};

// The menus, top to bottom; kSeparator draws a line.
constexpr std::array kFileMenu{
    MenuItem{ID_FILE_NEW, "&New"},           MenuItem{ID_FILE_OPEN, "&Open..."},
    MenuItem{ID_FILE_SAVE, "&Save"},         MenuItem{ID_FILE_SAVE_AS, "Save &As..."},
    MenuItem{kSeparator, ""},                MenuItem{ID_FILE_SEND, "S&end..."},
    MenuItem{ID_FILE_RECEIVE, "Re&ceive..."}, MenuItem{kSeparator, ""},
    MenuItem{ID_FILE_LOGGING, "&Logging..."}, MenuItem{ID_FILE_SAVE_OUTPUT, "Save Ou&tput As..."},
    MenuItem{kSeparator, ""},
    MenuItem{ID_FILE_PRINT, "&Print..."},    MenuItem{ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
    MenuItem{ID_FILE_PRINT_SETUP, "P&rint Setup..."}, MenuItem{kSeparator, ""},
    MenuItem{ID_FILE_MRU_FILE1, "Recent File"}, MenuItem{kSeparator, ""},
    MenuItem{ID_APP_EXIT, "E&xit"},
};
constexpr std::array kEditMenu{
    MenuItem{ID_EDIT_COPY, "&Copy"}, MenuItem{ID_EDIT_COPY_ALL, "Copy A&ll"}, MenuItem{ID_EDIT_PASTE, "&Paste"},
    MenuItem{kSeparator, ""}, MenuItem{ID_EDIT_SELECT_ALL, "&Select All"}, MenuItem{kSeparator, ""},
    MenuItem{ID_EDIT_FIND, "&Find"}, MenuItem{ID_EDIT_FIND_NEXT, "Find &Next"},
    MenuItem{ID_EDIT_FIND_PREVIOUS, "Find Pre&vious"}, MenuItem{kSeparator, ""},
    MenuItem{ID_EDIT_RESET_SCREEN, "&Reset Screen"},
};
constexpr std::array kSetupMenu{
    MenuItem{ID_SETUP_AUTO_ANSWER, "A&uto Answer..."}, MenuItem{ID_SETUP_COMMUNICATION, "&Communication..."},
    MenuItem{ID_SETUP_FONT, "&Font..."}, MenuItem{ID_SETUP_FKEYS, "Function &Keys..."},
    MenuItem{ID_SETUP_TERMINAL, "&Terminal..."},
};
constexpr std::array kToggleMenu{
    MenuItem{ID_TOGGLE_AUTOSCROLL, "&Autoscroll"}, MenuItem{ID_TOGGLE_AUTO_ANSWER, "A&uto Answer"},
    MenuItem{ID_TOGGLE_BRIDGE, "&Bridge Mode"}, MenuItem{ID_TOGGLE_COMMUNICATION, "&Communication"},
};
// There is no window menu to put "Screen 1" in on Linux desktops: it sits at
// the end of the View menu.
constexpr std::array kViewMenu{
    MenuItem{ID_VIEW_TOOLBAR, "&Toolbar"}, MenuItem{ID_VIEW_FKEYS, "&Function Keys"},
    MenuItem{ID_VIEW_STATUS_BAR, "&Status Bar"}, MenuItem{ID_VIEW_GPS_BAR, "&GPS Status Bar"},
    MenuItem{kSeparator, ""}, MenuItem{ID_VIEW_ASCII, "&ASCII View"}, MenuItem{ID_VIEW_HEX, "&Hex View"},
    MenuItem{ID_VIEW_ANSI, "ANSI View"}, MenuItem{ID_VIEW_TERMINAL, "Te&rminal View"}, MenuItem{kSeparator, ""}, MenuItem{ID_VIEW_TIMESTAMPS, "Time&stamps"},
    MenuItem{kSeparator, ""}, MenuItem{ID_SCREEN_1, "Screen 1"},
};
constexpr std::array kHelpMenu{
    MenuItem{ID_HELP_INDEX, "&Help Topics"}, MenuItem{kSeparator, ""},
    MenuItem{ID_APP_ABOUT, "&About Kestrelon..."},
};

// The toolbar, left to right.
constexpr std::array<int, 25> kToolbar{
    ID_FILE_NEW,     ID_FILE_OPEN,           ID_FILE_SAVE,  kSeparator,   ID_FILE_PRINT,
    kSeparator,      ID_EDIT_COPY,           ID_EDIT_PASTE, kSeparator,   ID_TOGGLE_COMMUNICATION,
    ID_TOGGLE_BRIDGE, kSeparator,            ID_EDIT_RESET_SCREEN, ID_TOGGLE_AUTOSCROLL, kSeparator,
    ID_VIEW_ASCII,   ID_VIEW_HEX,            ID_VIEW_ANSI,  ID_VIEW_TERMINAL, kSeparator, ID_FILE_SEND,
    ID_FILE_RECEIVE, kSeparator,             ID_APP_ABOUT,  ID_CONTEXT_HELP,
};

// Commands that show a check mark.
constexpr std::array<int, 14> kCheckable{
    ID_VIEW_TIMESTAMPS, ID_VIEW_TERMINAL,
    ID_VIEW_ASCII,   ID_VIEW_HEX,      ID_VIEW_ANSI,         ID_TOGGLE_COMMUNICATION, ID_TOGGLE_BRIDGE,
    ID_TOGGLE_AUTO_ANSWER, ID_TOGGLE_AUTOSCROLL, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_FKEYS,
    ID_VIEW_GPS_BAR, ID_FILE_LOGGING,
};

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), int(text.size())); }

template <std::size_t N>
void FillMenu(QMenu* menu, const std::array<MenuItem, N>& items, const std::function<QAction*(const MenuItem&)>& make)
{
    for (const MenuItem& item : items) {
        if (item.command == kSeparator)
            menu->addSeparator();
        else
            menu->addAction(make(item));
    }
}

} // namespace

QAction* CMainFrame::MakeAction(int command, const QString& text)
{
    if (QAction* existing = m_actions.value(command))
        return existing;
    auto* action = new QAction(text, this);
    action->setStatusTip(Text(CommandPrompt(command)));
    const QString tip = Text(CommandTip(command));
    if (!tip.isEmpty())
        action->setToolTip(tip);
    action->setIcon(ToolbarIcon(command));
    action->setIconVisibleInMenu(false);
    action->setData(command);
    if (std::find(kCheckable.begin(), kCheckable.end(), command) != kCheckable.end())
        action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    m_actions.insert(command, action);
    return action;
}

void CMainFrame::BuildMenus()
{
    auto make = [this](const MenuItem& item) { return MakeAction(item.command, QString::fromLatin1(item.text)); };
    auto addMenu = [this](const char* title) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        return menu;
    };
    m_fileMenu = addMenu("&File");
    FillMenu(m_fileMenu, kFileMenu, make);
    m_recentAnchor = Action(ID_FILE_MRU_FILE1);
    m_recentAnchor->setEnabled(false);
    FillMenu(addMenu("&Edit"), kEditMenu, make);
    FillMenu(addMenu("&Setup"), kSetupMenu, make);
    FillMenu(addMenu("&Toggle"), kToggleMenu, make);
    FillMenu(addMenu("&View"), kViewMenu, make);
    FillMenu(addMenu("&Help"), kHelpMenu, make);

    // The accelerators of the window: context help and help. F1 is the key the
    // status bar names; the ANSI view keeps it (and F2 to F4) for the device.
    MakeAction(ID_CONTEXT_HELP, tr("Help"))->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    addAction(MakeAction(ID_HELP, tr("Help")));
    Action(ID_HELP)->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::Key_F5)});
    addAction(Action(ID_CONTEXT_HELP));

    // Ctrl+Shift+F too, as in terminals: the Terminal view gives Ctrl+F to the device.
    Action(ID_EDIT_FIND)
        ->setShortcuts({QKeySequence(QKeySequence::Find), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
    Action(ID_EDIT_FIND_NEXT)->setShortcut(QKeySequence(Qt::Key_F3));
    Action(ID_EDIT_FIND_PREVIOUS)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    // Ctrl+F and F3 work wherever the focus is in the window, the find bar too.
    for (int command : {ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS})
        Action(command)->setShortcutContext(Qt::WindowShortcut);
}

void CMainFrame::BuildToolBar()
{
    m_toolBar = new QToolBar(tr("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(TOOLBAR_ICON_WIDTH, TOOLBAR_ICON_HEIGHT));
    for (int command : kToolbar) {
        if (command == kSeparator)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(MakeAction(command, Text(CommandTip(command))));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::SetRecentFiles(const QStringList& paths)
{
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    m_recentAnchor->setVisible(paths.isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        const QString text = QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(paths[i]).fileName());
        auto* action = new QAction(text, this);
        action->setStatusTip(paths[i]);
        connect(action, &QAction::triggered, this, [this, i] { emit recentFileChosen(i); });
        m_fileMenu->insertAction(m_recentAnchor, action);
        m_recentActions << action;
    }
}

void CMainFrame::OnCommand(int command)
{
    switch (command) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS: emit documentCommand(command); break;
    case ID_APP_EXIT: close(); break;
    case ID_FILE_LOGGING: StartOrStopLogging(); break;
    case ID_FILE_SAVE_OUTPUT: SaveOutput(); break;
    case ID_EDIT_COPY_ALL: CopyAll(); break;
    case ID_EDIT_FIND: OpenFind(); break;
    case ID_EDIT_FIND_NEXT: FindStep(true, false); break;
    case ID_EDIT_FIND_PREVIOUS: FindStep(false, false); break;
    case ID_VIEW_TIMESTAMPS: SetTimestamps(!m_timestamps); break;
    case ID_FILE_PRINT: Print(false); break;
    case ID_FILE_PRINT_PREVIEW: Print(true); break;
    case ID_FILE_PRINT_SETUP: PageSetup(); break;
    case ID_EDIT_COPY: EditTerminalView(View(m_activeView), ViewEdit::Copy); break;
    case ID_EDIT_PASTE: PasteToTerminal(*this); break;
    case ID_EDIT_SELECT_ALL: EditTerminalView(View(m_activeView), ViewEdit::SelectAll); break;
    case ID_TOGGLE_AUTOSCROLL: ToggleTerminalViewAutoscroll(View(m_activeView)); break;
    case ID_FILE_SEND:
        if (m_transfers)
            m_transfers->Send();
        break;
    case ID_FILE_RECEIVE:
        if (m_transfers)
            m_transfers->Receive();
        break;
    case ID_SETUP_COMMUNICATION:
    case ID_SETUP_TERMINAL:
    case ID_SETUP_FONT:
    case ID_SETUP_FKEYS:
    case ID_SETUP_AUTO_ANSWER: RunSetupDialog(command); break;
    case ID_EDIT_RESET_SCREEN: m_doc.ResetScreen(); break;
    case ID_TOGGLE_COMMUNICATION:
        if (m_transfers)
            m_transfers->EndNow();
        if (m_hub)
            m_hub->ToggleConnection();
        break;
    case ID_TOGGLE_BRIDGE:
        if (m_hub)
            m_hub->SetBridgeEnabled(!m_hub->IsBridgeEnabled());
        break;
    case ID_TOGGLE_AUTO_ANSWER: m_doc.autoAnswerOn = !m_doc.autoAnswerOn; break;
    case ID_VIEW_TOOLBAR: ToggleBar(m_toolBar); break;
    case ID_VIEW_STATUS_BAR: ToggleBar(m_statusBar); break;
    case ID_VIEW_FKEYS: ToggleBar(m_fkeyBar); break;
    case ID_VIEW_GPS_BAR: ToggleBar(m_gpsBar); break;
    case ID_VIEW_ASCII: SwitchView(0); break;
    case ID_VIEW_HEX: SwitchView(1); break;
    case ID_VIEW_ANSI: SwitchView(2); break;
    case ID_VIEW_TERMINAL: SwitchView(3); break;
    case ID_SCREEN_1: move(100, 100); break;
    case ID_HELP_INDEX: CManualWindow::ShowTopic(this); break;
    case ID_HELP: ShowHelp(); break;
    case ID_CONTEXT_HELP: QWhatsThis::enterWhatsThisMode(); break;
    case ID_APP_ABOUT: ShowAbout(); break;
    default: break;
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    if (m_actions.isEmpty())
        return;
    static constexpr std::array<int, VIEW_COUNT> kViewCommands{ID_VIEW_ASCII, ID_VIEW_HEX, ID_VIEW_ANSI,
                                                               ID_VIEW_TERMINAL};
    for (int i = 0; i < VIEW_COUNT; ++i) {
        QAction* action = Action(kViewCommands[static_cast<std::size_t>(i)]);
        action->setChecked(i == m_activeView);
        action->setEnabled(i != m_activeView);
    }
    Action(ID_TOGGLE_COMMUNICATION)->setChecked(!m_hub || !m_hub->IsConnectionOpen());
    Action(ID_FILE_SEND)->setEnabled(m_transfers && m_transfers->CanSend());
    Action(ID_FILE_RECEIVE)->setEnabled(m_transfers && m_transfers->CanReceive());
    Action(ID_TOGGLE_BRIDGE)->setChecked(m_hub && m_hub->IsBridgeEnabled());
    Action(ID_TOGGLE_AUTO_ANSWER)->setChecked(m_doc.autoAnswerOn);
    Action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
    Action(ID_VIEW_STATUS_BAR)->setChecked(!m_statusBar->isHidden());
    Action(ID_VIEW_FKEYS)->setChecked(!m_fkeyBar->isHidden());
    Action(ID_VIEW_GPS_BAR)->setChecked(IsGpsBarVisible());
    const QWidget* view = View(m_activeView);
    const std::optional<bool> autoscroll = TerminalViewAutoscroll(view);
    Action(ID_TOGGLE_AUTOSCROLL)->setEnabled(autoscroll.has_value());
    Action(ID_TOGGLE_AUTOSCROLL)->setChecked(autoscroll.value_or(false));
    Action(ID_EDIT_COPY)->setEnabled(CanEditTerminalView(view, ViewEdit::Copy));
    Action(ID_EDIT_PASTE)->setEnabled(CanPasteToTerminal());
    Action(ID_EDIT_SELECT_ALL)->setEnabled(CanEditTerminalView(view, ViewEdit::SelectAll));
    Action(ID_FILE_LOGGING)->setEnabled(m_hub != nullptr);
    Action(ID_FILE_LOGGING)->setChecked(m_hub && m_hub->IsLogging());
    const bool textView = CanFindInTerminalView(view);
    for (int command : {ID_FILE_SAVE_OUTPUT, ID_EDIT_COPY_ALL, ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS})
        Action(command)->setEnabled(textView);
    Action(ID_VIEW_TIMESTAMPS)->setChecked(m_timestamps);
}

void CMainFrame::ToggleBar(QWidget* bar)
{
    bar->setVisible(bar->isHidden());
}

void CMainFrame::RunSetupDialog(int command)
{
    switch (command) {
    case ID_SETUP_COMMUNICATION:
        // A confirmed change reconnects, which may show the failure dialog again.
        if (m_store && RunCommunicationDialog(this, m_doc, *m_store, QFile::encodeName(m_configPath).toStdString())) {
            if (m_hub)
                m_hub->SetLocalEndpoint(LoadLocalEndpoint(*m_store, QFile::encodeName(m_configPath).toStdString()));
            // The port must not change under a running transfer.
            if (m_transfers)
                m_transfers->EndNow();
            m_target.Post(MakeMessage(WM_TERMINAL, TC_APPLY_CONNECTION));
        }
        break;
    case ID_SETUP_TERMINAL:
        if (m_pacing)
            m_pacing->RunTerminalSetup(this, m_doc);
        else
            RunTerminalDialog(this, m_doc);
        break;
    case ID_SETUP_FONT: RunFontDialog(this, m_doc); break;
    case ID_SETUP_FKEYS:
        if (RunFunctionKeysDialog(this, m_doc))
            m_target.Post(MakeMessage(WM_TERMINAL, TC_REFRESH_FKEYS));
        break;
    case ID_SETUP_AUTO_ANSWER: RunAutoAnswerDialog(this, m_doc); break;
    default: break;
    }
}

void CMainFrame::StartOrStopLogging()
{
    if (!m_hub)
        return;
    if (m_hub->IsLogging()) {
        m_hub->StopLogging();
        return;
    }
    // Proposed in the directory of the last log, where the device's own starts go too.
    const QString name = QString::fromStdString(m_hub->DefaultLogFileName());
    const QString proposed = m_hub->LogDirectory().empty()
                                 ? SaveDialogStart(m_configPath, name)
                                 : QDir(QString::fromStdString(m_hub->LogDirectory())).filePath(name);
    QString path = m_chooseSaveFile ? m_chooseSaveFile(proposed)
                                    : QFileDialog::getSaveFileName(this, tr("Logging"), proposed,
                                                                   QStringLiteral("Text files (*.txt)"));
    if (path.isEmpty())
        return;
    // The dialog's filter is no default extension on every platform theme.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    m_hub->StartLogging(QFile::encodeName(path).toStdString());
    UpdateCommandStates();
}

QPrinter& CMainFrame::Printer()
{
    // One printer for the window: the page set up once serves every view.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CMainFrame::Print(bool preview)
{
    SetInPrintPreview(preview);
    PrintTerminalView(View(m_activeView), Printer(), preview, [this](QDialog& dialog) { return RunModal(dialog); });
    SetInPrintPreview(false);
}

void CMainFrame::PageSetup()
{
    QPageSetupDialog dialog(&Printer(), this);
    RunModal(dialog);
}

void CMainFrame::ShowAbout()
{
    CAboutDialog dialog(this);
    RunModal(dialog);
}

void CMainFrame::ShowHelp()
{
    // The help of the view in front; the ANSI and Terminal views have none,
    // their keys belong to the device.
    static constexpr std::array<const char*, VIEW_COUNT> kTopics{help::ASCII_VIEW, help::HEX_VIEW, nullptr, nullptr};
    if (m_activeView >= 0 && m_activeView < VIEW_COUNT && kTopics[std::size_t(m_activeView)])
        CManualWindow::ShowTopic(this, QString::fromLatin1(kTopics[std::size_t(m_activeView)]));
}

} // namespace kestrelon
