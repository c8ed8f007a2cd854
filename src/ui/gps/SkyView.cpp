// Painting of the sky view.
#include "ui/gps/SkyView.h"

#include "gps/SkyLabels.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace kestrelon {

namespace {

constexpr int INSET = 5; // between the widget's square and the horizon
const QColor USED_COLOUR(0, 160, 0);
const QColor UNUSED_COLOUR(90, 110, 200);

} // namespace

CSkyView::CSkyView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize CSkyView::sizeHint() const
{
    const int side = SatViewHeight(fontMetrics());
    return {side, side};
}

void CSkyView::SetSatellite(int slot, bool used, int prn, int elevation, int azimuth)
{
    if (slot < 0 || slot >= CSatPanel::SLOTS)
        return;
    CSatSlot& s = m_slots[slot];
    s.used = used;
    s.prn = static_cast<std::uint8_t>(prn);
    s.elevation = elevation;
    s.azimuth = azimuth;
    update();
}

void CSkyView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const int side = std::min(width(), height());
    QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    square.adjust(INSET, INSET, -INSET, -INSET);
    if (square.width() < 4)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(palette().base());
    p.setPen(palette().color(QPalette::Mid));
    p.drawEllipse(square);
    p.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= 2; ++ring) {
        const int shrink = square.width() * ring / 6;
        p.drawEllipse(square.adjusted(shrink, shrink, -shrink, -shrink));
    }
    const QPointF centre = QRectF(square).center();
    const double radius = square.width() / 2.0;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(9, fontMetrics().height() * 2 / 3));
    p.setFont(font);
    // The label box fits its two digits at any font size.
    const QFontMetrics metrics(font);
    const int boxWidth = metrics.horizontalAdvance(QStringLiteral("00")) + 4;
    const int boxHeight = metrics.height() + 1;
    std::vector<CSkyLabel> places;
    std::vector<const CSatSlot*> shown;
    for (const CSatSlot& s : m_slots)
        if (s.prn != 0) {
            places.push_back(SkyPoint(s.elevation, s.azimuth, centre.x(), centre.y(), radius));
            shown.push_back(&s);
        }
    SpreadSkyLabels(places, boxWidth, boxHeight);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QRect box(places[i].x - boxWidth / 2, places[i].y - boxHeight / 2, boxWidth, boxHeight);
        p.fillRect(box, shown[i]->used ? USED_COLOUR : UNUSED_COLOUR);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, QString::asprintf("%02d", shown[i]->prn));
    }
}

} // namespace kestrelon
