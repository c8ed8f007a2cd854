// Makes the ASCII, hex, ANSI and Terminal views and passes the window's commands to them.
#include "ui/frame/TerminalViews.h"

#include "document/KestronDoc.h"
#include "ui/views/AnsiView.h"
#include "ui/views/HexView.h"
#include "ui/views/HiddenPageSizing.h"
#include "ui/views/KestronView.h"
#include "ui/views/TerminalView.h"
#include "ui/frame/FramePacing.h"
#include "ui/widgets/DocText.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace kestrelon {

namespace {

// The Terminal view follows the options of the open configuration file and
// the window's size, and shows its program's title in the window's.
QWidget* MakeTerminalScreenView(CMainFrame& frame)
{
    auto* view = new CTerminalView(frame.Document(), frame.Target(), &frame);
    // Its screen takes the window's size while another view is shown too.
    new CHiddenPageSizing(view);
    QObject::connect(view, &CTerminalView::DeviceTitleChanged, &frame, &CMainFrame::SetDeviceTitle);
    if (CFramePacing* settings = frame.Pacing())
        settings->SetViewOptionsListener([view](const CTerminalViewOptions& options) { view->SetOptions(options); });
    return view;
}

} // namespace

CMainFrame::CViewSlot MakeTerminalView(int index, CMainFrame& frame)
{
    // The views register with the document themselves, so the slot carries no
    // document side for the frame to register.
    switch (index) {
    case 0: return {new CKestronView(frame.Document(), frame.Target(), &frame), nullptr};
    case 1: return {new CHexView(frame.Document(), &frame), nullptr};
    case 2: return {new CANSI_View(frame.Document(), frame.Target(), &frame), nullptr};
    case 3: return {MakeTerminalScreenView(frame), nullptr};
    default: return {};
    }
}

void SetTerminalViewActive(QWidget* view, bool active)
{
    if (auto* ansi = qobject_cast<CANSI_View*>(view))
        ansi->SetActive(active);
    else if (auto* terminal = qobject_cast<CTerminalView*>(view))
        terminal->SetActive(active);
}

bool TerminalViewOwnsBell(const QWidget* view)
{
    return qobject_cast<const CTerminalView*>(view) != nullptr;
}

bool TerminalViewTakesFindKeys(const QWidget* view)
{
    return qobject_cast<const CTerminalView*>(view) != nullptr;
}

bool CanEditTerminalView(const QWidget* view, ViewEdit edit)
{
    if (const auto* terminal = qobject_cast<const CTerminalView*>(view))
        return edit != ViewEdit::Copy || terminal->CanCopy();
    const auto* ascii = qobject_cast<const CKestronView*>(view);
    if (!ascii)
        return false;
    switch (edit) {
    case ViewEdit::Copy: return ascii->CanCopy();
    case ViewEdit::Paste: return ascii->CanPaste();
    case ViewEdit::SelectAll: return true;
    }
    return false;
}

void EditTerminalView(QWidget* view, ViewEdit edit)
{
    if (auto* terminal = qobject_cast<CTerminalView*>(view)) {
        switch (edit) {
        case ViewEdit::Copy: terminal->Copy(); break;
        case ViewEdit::Paste: terminal->Paste(); break;
        case ViewEdit::SelectAll: terminal->SelectAll(); break;
        }
        return;
    }
    auto* ascii = qobject_cast<CKestronView*>(view);
    if (!ascii)
        return;
    switch (edit) {
    case ViewEdit::Copy: ascii->Copy(); break;
    case ViewEdit::Paste: ascii->Paste(); break;
    case ViewEdit::SelectAll: ascii->SelectAll(); break;
    }
}

bool CanPasteToTerminal()
{
    return CKestronView::CanPaste();
}

void PasteToTerminal(CMainFrame& frame)
{
    CKestronView::PostClipboard(frame.Target());
}

std::optional<bool> TerminalViewAutoscroll(const QWidget* view)
{
    if (const auto* ascii = qobject_cast<const CKestronView*>(view))
        return ascii->IsAutoscroll();
    if (const auto* hex = qobject_cast<const CHexView*>(view))
        return hex->IsAutoscroll();
    return std::nullopt;
}

void ToggleTerminalViewAutoscroll(QWidget* view)
{
    if (auto* ascii = qobject_cast<CKestronView*>(view))
        ascii->ToggleAutoscroll();
    else if (auto* hex = qobject_cast<CHexView*>(view))
        hex->ToggleAutoscroll();
}

bool CanFindInTerminalView(const QWidget* view)
{
    return qobject_cast<const CKestronView*>(view) != nullptr || qobject_cast<const CHexView*>(view) != nullptr ||
           qobject_cast<const CTerminalView*>(view) != nullptr;
}

void SetTerminalViewFind(QWidget* view, const QString& text, bool matchCase)
{
    if (auto* terminal = qobject_cast<CTerminalView*>(view)) {
        terminal->SetFindText(text.toStdString(), matchCase);
        return;
    }
    // The ASCII and hex views show bytes as U+0000 to U+00FF: a character
    // above those can match nothing there.
    const bool bytes = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    const std::string pattern = bytes ? ToDocText(text) : std::string();
    if (auto* ascii = qobject_cast<CKestronView*>(view))
        ascii->SetFindText(pattern, matchCase);
    else if (auto* hex = qobject_cast<CHexView*>(view))
        hex->SetFindText(pattern, matchCase);
}

bool FindInTerminalView(QWidget* view, bool forward, bool inclusive)
{
    const FindDirection direction = forward ? FindDirection::Forward : FindDirection::Backward;
    if (auto* ascii = qobject_cast<CKestronView*>(view))
        return ascii->FindStep(direction, inclusive);
    if (auto* hex = qobject_cast<CHexView*>(view))
        return hex->FindStep(direction, inclusive);
    if (auto* terminal = qobject_cast<CTerminalView*>(view))
        return terminal->FindStep(direction, inclusive);
    return false;
}

std::optional<std::string> TerminalViewText(const QWidget* view)
{
    if (const auto* ascii = qobject_cast<const CKestronView*>(view))
        return ascii->ShownText();
    if (const auto* hex = qobject_cast<const CHexView*>(view))
        return hex->ShownText();
    if (const auto* terminal = qobject_cast<const CTerminalView*>(view))
        return terminal->ShownText();
    return std::nullopt;
}

void SetTerminalViewTimestamps(QWidget* view, bool on)
{
    if (auto* ascii = qobject_cast<CKestronView*>(view))
        ascii->SetTimestamps(on);
    else if (auto* hex = qobject_cast<CHexView*>(view))
        hex->SetTimestamps(on);
}

std::optional<QSize> TerminalViewCellSize(const QWidget* view)
{
    if (const auto* ascii = qobject_cast<const CKestronView*>(view))
        return QSize(ascii->CellWidth(), ascii->CellHeight());
    if (const auto* hex = qobject_cast<const CHexView*>(view))
        return hex->CellSize();
    return std::nullopt;
}

bool PrintTerminalView(QWidget* view, QPrinter& printer, bool preview,
                       const std::function<int(QDialog&)>& runDialog)
{
    // The ASCII view knows its page count for the dialog's page range.
    if (auto* ascii = qobject_cast<CKestronView*>(view)) {
        preview ? ascii->FilePrintPreview(printer, runDialog) : ascii->FilePrint(printer, runDialog);
        return true;
    }
    std::function<void(QPrinter&)> print;
    if (auto* hex = qobject_cast<CHexView*>(view))
        print = [hex](QPrinter& printer) { hex->Print(printer); };
    else if (auto* ansi = qobject_cast<CANSI_View*>(view))
        print = [ansi](QPrinter& printer) { ansi->Print(printer); };
    else if (auto* terminal = qobject_cast<CTerminalView*>(view))
        print = [terminal](QPrinter& printer) { terminal->Print(printer); };
    else
        return false;
    if (preview) {
        QPrintPreviewDialog dialog(&printer, view);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, view,
                         [&print](QPrinter* target) { print(*target); });
        runDialog(dialog);
        return true;
    }
    QPrintDialog dialog(&printer, view);
    if (runDialog(dialog) == QDialog::Accepted)
        print(printer);
    return true;
}

} // namespace kestrelon
