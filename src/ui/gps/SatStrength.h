// Signal strength chart of one satellite system: one bar per satellite, its
// height the SNR (100 dB fills the chart), labelled with the PRN.
#pragma once

#include "gps/GpsPanelModel.h"

#include <QWidget>

#include <array>

namespace kestrelon {

class CSatStrength : public QWidget {
    Q_OBJECT
public:
    static constexpr int CHART_WIDTH = 211;

    explicit CSatStrength(QWidget* parent = nullptr);

    // A slot outside 0..11 is ignored.
    void SetSatellite(int slot, bool used, int prn, int snr);
    const CSatSlot& Slot(int slot) const { return m_slots.at(slot); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int LabelHeight() const;

    std::array<CSatSlot, CSatPanel::SLOTS> m_slots{};
};

} // namespace kestrelon
