// The main window's status bar: a pane set for each connection mode, panes that
// widen to their text, and six LED lamps sitting at the left edge of their panes
// (CTS, DSR, CD, Data, Server, Bridge). Double clicks on the log, connection and
// maker panes start the matching command.
#pragma once

#include "document/HubWindow.h"
#include "ui/widgets/StatusBarEx.h"

#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>

namespace kestrelon {

class CLamp;

class CMainStatusBar : public CStatusBarEx {
    Q_OBJECT
public:
    static constexpr int LED_COUNT = 6;
    static constexpr int LED_WIDTH = 16;
    static constexpr int NO_PANE = -1;

    explicit CMainStatusBar(QWidget* parent = nullptr);

    // Panes of a connection mode (0 to 6) and the matching LED layout.
    void SetPaneSetForMode(std::uint32_t commMode);
    static std::vector<int> PaneSetForMode(std::uint32_t commMode);
    static int LayoutForMode(std::uint32_t commMode);
    // LED layout 0 serial, 1 TCP server, 2 TCP client, 3 UDP.
    void SetLayout(int layout);

    // Sets a pane's text and makes the pane as wide as the text; the LEDs move
    // with their panes. False for a pane index that does not exist.
    bool SetPaneTextFit(int index, const QString& text);
    bool SetPaneTextFitById(int paneId, const QString& text);

    CLamp* Led(int role) const { return m_leds[static_cast<std::size_t>(role)]; }
    int LedPane(int role) const { return m_ledPane[static_cast<std::size_t>(role)]; }
    void RepositionLeds();

    static QUrl MakerPage();
    // How the maker's page is opened; tests put a recorder here.
    void SetUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }

signals:
    // A command the double click asks the main window to run.
    void commandRequested(int command);

protected:
    void OnPanesMoved() override;
    void OnPaneDoubleClick(int pane) override;

private:
    std::array<CLamp*, LED_COUNT> m_leds{};
    std::array<int, LED_COUNT> m_ledPane{3, 4, 5, 6, 7, 8};
    std::function<void(const QUrl&)> m_openUrl;
    bool m_repositioning = false;
};

} // namespace kestrelon
