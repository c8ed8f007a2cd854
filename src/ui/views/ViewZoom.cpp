// The zoom steps and the scaling of a view's font.
#include "ui/views/ViewZoom.h"

#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace kestrelon {

namespace {

// The steps users know from browsers and editors; below half the text is
// unreadable, above three times a line no longer fits a laptop screen.
constexpr std::array kSteps{50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
constexpr const char* kProperty = "kestrelonZoom";

std::size_t NearestStep(int percent)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < kSteps.size(); ++i)
        if (std::abs(kSteps[i] - percent) < std::abs(kSteps[best] - percent))
            best = i;
    return best;
}

} // namespace

int ClampZoom(int percent)
{
    return kSteps[NearestStep(percent)];
}

int NextZoom(int percent, int direction)
{
    if (direction == 0)
        return ZOOM_ACTUAL;
    const std::size_t at = NearestStep(percent);
    if (direction > 0)
        return kSteps[std::min(at + 1, kSteps.size() - 1)];
    return kSteps[at > 0 ? at - 1 : 0];
}

void SetViewZoom(QWidget* view, int percent)
{
    if (view)
        view->setProperty(kProperty, ClampZoom(percent));
}

int ViewZoom(const QWidget* view)
{
    bool ok = false;
    const int percent = view ? view->property(kProperty).toInt(&ok) : 0;
    return ok ? percent : ZOOM_ACTUAL;
}

QFont ZoomedFont(const QWidget* view, QFont font)
{
    const int percent = ViewZoom(view);
    if (percent == ZOOM_ACTUAL)
        return font;
    const double scale = percent / 100.0;
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(1.0, font.pointSizeF() * scale));
    return font;
}

} // namespace kestrelon
