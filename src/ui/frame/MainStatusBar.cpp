// Pane sets, LED layout and double-click actions of the main status bar.
#include "ui/frame/MainStatusBar.h"

#include "document/Messages.h"
#include "ui/frame/StringTable.h"
#include "ui/widgets/Lamp.h"

#include <QDesktopServices>

namespace kestrelon {

namespace {

QString PaneString(int id) { return QString::fromUtf8(LoadString(id).data(), int(LoadString(id).size())); }

// Which pane each LED sits in, per layout; NO_PANE hides it. LED5 (Bridge) keeps
// its visibility: it is shown in every layout but serial might switch it off.
struct LedLayout {
    std::array<int, CMainStatusBar::LED_COUNT> pane;
};
constexpr int kHidden = CMainStatusBar::NO_PANE;
constexpr std::array<LedLayout, 4> kLayouts{{
    {{3, 4, 5, kHidden, kHidden, 6}}, // serial
    {{kHidden, kHidden, kHidden, 3, 4, 5}}, // TCP server
    {{kHidden, kHidden, kHidden, 3, kHidden, 4}}, // TCP client
    {{kHidden, kHidden, kHidden, 4, kHidden, 5}}, // UDP
}};

} // namespace

CMainStatusBar::CMainStatusBar(QWidget* parent)
    : CStatusBarEx(parent), m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("StatusBar"));
    SetIdleText(PaneString(IDS_IDLE_PROMPT));
    for (auto& led : m_leds) {
        led = new CLamp(this);
        led->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_leds[LED_DATA]->hide();
    m_leds[LED_SERVER]->hide();
    SetPaneSetForMode(0);
}

std::vector<int> CMainStatusBar::PaneSetForMode(std::uint32_t commMode)
{
    switch (LayoutForMode(commMode)) {
    case 1: return {PANE_LOG, PANE_CONNECTION, PANE_DATA, PANE_SERVER, PANE_BRIDGE, PANE_CAP, PANE_NUM, PANE_MAKER};
    case 2: return {PANE_LOG, PANE_CONNECTION, PANE_DATA, PANE_BRIDGE, PANE_CAP, PANE_NUM, PANE_MAKER};
    case 3:
        return {PANE_LOG, PANE_CONNECTION, PANE_PEER, PANE_DATA, PANE_BRIDGE, PANE_CAP, PANE_NUM, PANE_MAKER};
    default:
        return {PANE_LOG, PANE_CONNECTION, PANE_CTS, PANE_DSR, PANE_CD, PANE_BRIDGE, PANE_CAP, PANE_NUM, PANE_MAKER};
    }
}

int CMainStatusBar::LayoutForMode(std::uint32_t commMode)
{
    switch (commMode) {
    case 2:
    case 5: return 1;
    case 1:
    case 4: return 2;
    case 3:
    case 6: return 3;
    default: return 0;
    }
}

void CMainStatusBar::SetPaneSetForMode(std::uint32_t commMode)
{
    const std::vector<int> ids = PaneSetForMode(commMode);
    std::vector<QString> texts;
    for (int id : ids)
        texts.push_back(PaneString(id));
    SetPanes(ids, texts);
    SetLayout(LayoutForMode(commMode));
}

void CMainStatusBar::SetLayout(int layout)
{
    if (layout < 0 || layout >= int(kLayouts.size()))
        return;
    const LedLayout& chosen = kLayouts[static_cast<std::size_t>(layout)];
    for (int role = 0; role < LED_COUNT; ++role) {
        const int pane = chosen.pane[static_cast<std::size_t>(role)];
        if (role == LED_BRIDGE) {
            m_ledPane[LED_BRIDGE] = pane;
            continue;
        }
        m_ledPane[static_cast<std::size_t>(role)] = pane;
        m_leds[static_cast<std::size_t>(role)]->setVisible(pane != NO_PANE);
    }
    RepositionLeds();
}

bool CMainStatusBar::SetPaneTextFit(int index, const QString& text)
{
    if (!SetPaneText(index, text))
        return false;
    SetPaneWidth(index, TextWidth(text));
    SettleLayout();
    RepositionLeds();
    update();
    return true;
}

bool CMainStatusBar::SetPaneTextFitById(int paneId, const QString& text)
{
    return SetPaneTextFit(PaneIndex(paneId), text);
}

void CMainStatusBar::RepositionLeds()
{
    if (m_repositioning)
        return;
    m_repositioning = true; // moving a lamp must not start another round
    for (int role = 0; role < LED_COUNT; ++role) {
        CLamp* led = m_leds[static_cast<std::size_t>(role)];
        const QRect pane = PaneRect(m_ledPane[static_cast<std::size_t>(role)]);
        if (pane.isEmpty())
            continue;
        led->setGeometry(pane.left(), pane.top(), LED_WIDTH, pane.height());
        led->raise();
    }
    m_repositioning = false;
}

void CMainStatusBar::OnPanesMoved() { RepositionLeds(); }

QUrl CMainStatusBar::MakerPage() { return QUrl(QStringLiteral("https://www.varnoth.example/kestrelon")); }

void CMainStatusBar::OnPaneDoubleClick(int pane)
{
    switch (PaneId(pane)) {
    case PANE_MAKER: m_openUrl(MakerPage()); break;
    case PANE_LOG: emit commandRequested(ID_FILE_LOGGING); break;
    case PANE_CONNECTION: emit commandRequested(ID_SETUP_COMMUNICATION); break;
    default: break;
    }
}

} // namespace kestrelon
