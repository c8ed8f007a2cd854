// Sky view of one satellite system: the horizon and the 30 and 60 degree
// elevation rings, north up, each satellite a small box at its elevation and
// azimuth labelled with its PRN; satellites used in the fix stand out.
#pragma once

#include "gps/GpsPanelModel.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

#include <array>

namespace kestrelon {

// Height of a system's sky view and strength chart: room for the labels, but
// small enough that four systems fit a 1000-pixel screen with large fonts.
inline int SatViewHeight(const QFontMetrics& metrics)
{
    return std::max(100, metrics.height() * 4 + 16);
}

class CSkyView : public QWidget {
    Q_OBJECT
public:
    explicit CSkyView(QWidget* parent = nullptr);

    // A slot outside 0..11 is ignored.
    void SetSatellite(int slot, bool used, int prn, int elevation, int azimuth);
    const CSatSlot& Slot(int slot) const { return m_slots.at(slot); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<CSatSlot, CSatPanel::SLOTS> m_slots{};
};

} // namespace kestrelon
