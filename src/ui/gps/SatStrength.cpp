// Painting of the strength chart.
#include "ui/gps/SatStrength.h"

#include "ui/gps/SkyView.h"

#include <QPainter>

#include <algorithm>

namespace kestrelon {

namespace {

constexpr int LABEL_PIXELS = 14;
constexpr int GAP = 2;
const QColor USED_COLOUR(0, 160, 0);
const QColor UNUSED_COLOUR(90, 110, 200);

QFont LabelFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(LABEL_PIXELS);
    // Twelve two-digit labels share 211 pixels: close the letters up a little
    // so that neighbouring labels do not run together.
    font.setLetterSpacing(QFont::AbsoluteSpacing, -1);
    return font;
}

} // namespace

CSatStrength::CSatStrength(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

int CSatStrength::LabelHeight() const
{
    return QFontMetrics(LabelFont()).height() + 2;
}

QSize CSatStrength::sizeHint() const
{
    return {CHART_WIDTH, SatViewHeight(fontMetrics())};
}

void CSatStrength::SetSatellite(int slot, bool used, int prn, int snr)
{
    if (slot < 0 || slot >= CSatPanel::SLOTS)
        return;
    CSatSlot& s = m_slots[slot];
    s.used = used;
    s.prn = static_cast<std::uint8_t>(prn);
    s.snr = static_cast<std::uint8_t>(snr);
    update();
}

void CSatStrength::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int width = std::min(CHART_WIDTH, this->width());
    const QRect frame((this->width() - width) / 2, 0, width, height());
    p.fillRect(frame, palette().base());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    const int labels = LabelHeight();
    const int chartHeight = frame.height() - labels - 2;
    if (chartHeight <= 0)
        return;
    // 12 bars with a gap between: (211 - 13 gaps) / 12 = 15 pixels each.
    const int barWidth = std::max(2, (width - GAP * (CSatPanel::SLOTS + 1)) / CSatPanel::SLOTS);
    p.setFont(LabelFont());
    for (int i = 0; i < CSatPanel::SLOTS; ++i) {
        const CSatSlot& s = m_slots[i];
        if (s.prn == 0)
            continue;
        const int x = frame.left() + GAP + i * (barWidth + GAP);
        const int barHeight = std::min<int>(s.snr, 100) * chartHeight / 100;
        p.fillRect(QRect(x, 1 + chartHeight - barHeight, barWidth, barHeight), s.used ? USED_COLOUR : UNUSED_COLOUR);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(x - GAP, frame.bottom() - labels, barWidth + 2 * GAP, labels), Qt::AlignCenter,
                   QString::asprintf("%02d", s.prn));
    }
}

} // namespace kestrelon
