// A main window that keeps its placement and the layout of its bars between
// runs, in the application's settings: the placement under "Frame", the bar
// layout under "ControlBars". A position saved on a monitor that is gone is pulled
// back onto the screens there are now.
#pragma once

#include <QMainWindow>
#include <QRect>

class QSettings;

namespace kestrelon {

// Show states as saved in "Frame/Status".
enum ShowState : int { SHOW_NORMAL = 1, SHOW_MINIMIZED = 2, SHOW_MAXIMIZED = 3 };

struct CFramePlacement {
    int status = -1;
    int top = -1;
    int left = -1;
    int bottom = -1;
    int right = -1;

    bool IsComplete() const { return status != -1 && top != -1 && left != -1 && bottom != -1 && right != -1; }
    bool operator==(const CFramePlacement&) const = default;
};

// Where a window saved with `saved` (relative to the work area) goes: the work
// area's corner is added, then the corner is kept at least one icon inside the
// right and bottom edge of the virtual screen, and the title bar on it. A
// window larger than the work area is shrunk to it and placed inside it.
QRect PlaceSavedWindow(const CFramePlacement& saved, const QRect& workArea, const QRect& virtualScreen,
                       const QSize& icon);

class CFrameWndEx : public QMainWindow {
    Q_OBJECT
public:
    explicit CFrameWndEx(QWidget* parent = nullptr);

    // The settings the placement and bar layout live in (not owned).
    void SetProfile(QSettings* profile) { m_profile = profile; }
    QSettings* Profile() const { return m_profile; }

    CFramePlacement ReadPlacement() const;
    // Applies the saved placement before the window is first shown; returns the
    // show state to use, or -1 on a first run (the default size then stays).
    int RestorePlacement();
    void SavePlacement();
    // The bars need object names; returns false when nothing was restored.
    bool RestoreBarState();
    void SaveBarState();
    // Shows the window as it was saved: maximized or normal.
    void ShowAsSaved(int state);

    void SetInPrintPreview(bool on) { m_inPrintPreview = on; }
    bool InPrintPreview() const { return m_inPrintPreview; }

protected:
    // Saves placement and bar layout, unless a print preview is shown.
    void closeEvent(QCloseEvent* event) override;

private:
    QSettings* m_profile = nullptr;
    bool m_inPrintPreview = false;
};

} // namespace kestrelon
