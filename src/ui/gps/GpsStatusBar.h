// The GPS status bar's panel: fed every received byte by the main window, it
// shows the receiver's fix (mode letter, time, position, speed, precision,
// course, fix lamp) and a sky view and strength chart per satellite system.
// All it shows comes from CGpsPanelModel; the widgets only paint.
#pragma once

#include "gps/GpsPanelModel.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QGridLayout;
class QLabel;
class QScrollArea;

namespace kestrelon {

class CCourseControl;
class CLamp;
class CSatStrength;
class CSkyView;

class CGpsStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int FIX_LAMP_RED = 2;
    static constexpr int FIX_LAMP_GREEN = 4;

    explicit CGpsStatusBar(QWidget* parent = nullptr);

    void OnReceivedChar(std::uint8_t c);
    void UpdateDisplay();

    const CGpsPanelModel& Model() const { return m_model; }
    CLamp* FixLamp() const { return m_lamp; }
    QLabel* ModeLetter() const { return m_mode; }
    CCourseControl* Course() const { return m_course; }
    CSkyView* SkyView(ESatSystem system) const { return Group(system).sky; }
    CSatStrength* Strength(ESatSystem system) const { return Group(system).strength; }
    // Whether the system's sky view and chart are on show.
    bool IsSystemShown(ESatSystem system) const;

private:
    struct CSystemGroup {
        QWidget* box = nullptr;
        CSkyView* sky = nullptr;
        CSatStrength* strength = nullptr;
    };
    static constexpr int SHOWN_SYSTEMS = 4; // GPS, GLONASS, Galileo, BeiDou

    QLabel* AddValue(QGridLayout* grid, int row, const QString& caption);
    // Lays the shown systems out in one column, or two once more than two are shown.
    void PlaceGroups();
    CSystemGroup MakeGroup(QWidget* parent, const QString& caption);
    const CSystemGroup& Group(ESatSystem system) const { return m_groups.at(static_cast<int>(system)); }

    CGpsPanelModel m_model;
    QLabel* m_mode = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_latitude = nullptr;
    QLabel* m_longitude = nullptr;
    QLabel* m_speed = nullptr;
    QLabel* m_precision = nullptr;
    CLamp* m_lamp = nullptr;
    CCourseControl* m_course = nullptr;
    std::array<CSystemGroup, SHOWN_SYSTEMS> m_groups{};
    QGridLayout* m_systems = nullptr;
    QScrollArea* m_scroll = nullptr;
};

} // namespace kestrelon
