// View > Zoom In, Zoom Out and Actual Size: one zoom for every terminal view,
// kept per configuration file in the settings store (the .kst font stays as
// it is), and the window's first size of 80 x 25 cells of the ASCII view.
#pragma once

#include <QObject>
#include <QString>

#include <string>

class QAction;
class QMenu;
class QWidget;

namespace kestrelon {

class CMainFrame;
class ISettingsStore;

class CFrameZoom : public QObject {
    Q_OBJECT
public:
    // `store` may be null: the zoom then lasts the session.
    CFrameZoom(CMainFrame& frame, ISettingsStore* store);

    // The three items at the end of `viewMenu`, with their keys.
    void BuildMenu(QMenu* viewMenu);
    // The configuration file now open (empty: a new one): its zoom applies.
    void SetConfigPath(const QString& path);
    int Percent() const { return m_percent; }
    // Zoom in (> 0), out (< 0) or back to the actual size (0).
    void Zoom(int direction);
    // A view just made takes the zoom.
    void ApplyTo(QWidget* view) const;
    // Makes the shown window hold 80 x 25 cells of the ASCII view, within
    // the screen's work area.
    void FitFirstSize();

    static constexpr int FIRST_COLUMNS = 80;
    static constexpr int FIRST_ROWS = 25;

private:
    void Apply();

    CMainFrame& m_frame;
    ISettingsStore* m_store;
    std::string m_path;
    int m_percent = 100;
    QAction* m_actual = nullptr;
};

} // namespace kestrelon
