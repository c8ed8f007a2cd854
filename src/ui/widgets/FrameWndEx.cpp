// Saving and restoring the main window's placement and bar layout.
#include "ui/widgets/FrameWndEx.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>

namespace kestrelon {

namespace {
const QString kFrameGroup = QStringLiteral("Frame");
const QString kBarGroup = QStringLiteral("ControlBars");
} // namespace

QRect PlaceSavedWindow(const CFramePlacement& saved, const QRect& workArea, const QRect& virtualScreen,
                       const QSize& icon)
{
    int width = saved.right - saved.left;
    int height = saved.bottom - saved.top;
    int x = saved.left + workArea.left();
    int y = saved.top + workArea.top();
    // Larger than the work area (saved on a bigger screen, or before the font
    // scaling changed): shrunk to nine tenths of it, as a first window is, and
    // centred, so the title bar and every edge stay within reach.
    if (width > workArea.width()) {
        width = workArea.width() * 9 / 10;
        x = workArea.left() + (workArea.width() - width) / 2;
    }
    if (height > workArea.height()) {
        height = workArea.height() * 9 / 10;
        y = workArea.top() + (workArea.height() - height) / 2;
    }
    x = std::min(x, virtualScreen.left() + virtualScreen.width() - icon.width());
    y = std::min(y, virtualScreen.top() + virtualScreen.height() - icon.height());
    // A window saved left of or above every screen that is left would be out of
    // reach as well: keep an icon's width of it and its title bar on the screen.
    x = std::max(x, virtualScreen.left() - width + icon.width());
    y = std::max(y, virtualScreen.top());
    return {x, y, std::max(width, 1), std::max(height, 1)};
}

CFrameWndEx::CFrameWndEx(QWidget* parent) : QMainWindow(parent) {}

CFramePlacement CFrameWndEx::ReadPlacement() const
{
    CFramePlacement placement;
    if (!m_profile)
        return placement;
    auto read = [this](const char* key) {
        bool ok = false;
        const int value = m_profile->value(kFrameGroup + '/' + key, -1).toInt(&ok);
        return ok ? value : -1;
    };
    placement.status = read("Status");
    placement.top = read("Top");
    placement.left = read("Left");
    placement.bottom = read("Bottom");
    placement.right = read("Right");
    return placement;
}

int CFrameWndEx::RestorePlacement()
{
    const CFramePlacement saved = ReadPlacement();
    if (!saved.IsComplete())
        return -1;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return -1;
    const int icon = style()->pixelMetric(QStyle::PM_LargeIconSize);
    setGeometry(PlaceSavedWindow(saved, screen->availableGeometry(), screen->virtualGeometry(), {icon, icon}));
    return saved.status;
}

void CFrameWndEx::SavePlacement()
{
    if (!m_profile)
        return;
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->availableGeometry().topLeft() : QPoint();
    const int status = isMaximized() ? SHOW_MAXIMIZED : (isMinimized() ? SHOW_MINIMIZED : SHOW_NORMAL);
    m_profile->setValue(kFrameGroup + "/Status", status);
    m_profile->setValue(kFrameGroup + "/Top", normal.top() - origin.y());
    m_profile->setValue(kFrameGroup + "/Left", normal.left() - origin.x());
    m_profile->setValue(kFrameGroup + "/Bottom", normal.top() + normal.height() - origin.y());
    m_profile->setValue(kFrameGroup + "/Right", normal.left() + normal.width() - origin.x());
}

bool CFrameWndEx::RestoreBarState()
{
    if (!m_profile)
        return false;
    const QByteArray state = m_profile->value(kBarGroup + "/State").toByteArray();
    if (state.isEmpty())
        return false;
    const bool restored = restoreState(state);
    const QVariant statusVisible = m_profile->value(kBarGroup + "/StatusBar");
    if (statusVisible.isValid() && statusBar())
        statusBar()->setVisible(statusVisible.toBool());
    return restored;
}

void CFrameWndEx::SaveBarState()
{
    if (!m_profile)
        return;
    m_profile->setValue(kBarGroup + "/State", saveState());
    m_profile->setValue(kBarGroup + "/StatusBar", statusBar() && !statusBar()->isHidden());
}

void CFrameWndEx::ShowAsSaved(int state)
{
    // A window that starts minimized looks to the user as if the program did not
    // start at all; it comes up normal instead.
    if (state == SHOW_MAXIMIZED)
        showMaximized();
    else
        show();
}

void CFrameWndEx::closeEvent(QCloseEvent* event)
{
    if (!m_inPrintPreview) {
        SavePlacement();
        SaveBarState();
        if (m_profile)
            m_profile->sync();
    }
    QMainWindow::closeEvent(event);
}

} // namespace kestrelon
