// SkyPoint and SpreadSkyLabels: the sky view's geometry, without widgets.
#include "gps/SkyLabels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace kestrelon {

namespace {

// Rings of candidate places, each half a label height further out.
constexpr int kRings = 8;
// The eight directions tried on each ring, up and to the sides before the corners.
constexpr std::array<std::array<int, 2>, 8> kDirections{
    {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}}};

bool Overlaps(const CSkyLabel& a, const CSkyLabel& b, int width, int height)
{
    return std::abs(a.x - b.x) < width && std::abs(a.y - b.y) < height;
}

bool IsFree(const CSkyLabel& place, const std::vector<CSkyLabel>& labels, std::size_t placed, int width, int height)
{
    for (std::size_t i = 0; i < placed; ++i)
        if (Overlaps(place, labels[i], width, height))
            return false;
    return true;
}

} // namespace

CSkyLabel SkyPoint(int elevation, int azimuth, double cx, double cy, double radius)
{
    const double d = radius * (1.0 - std::clamp(elevation, 0, 90) / 90.0);
    const double a = azimuth * std::numbers::pi / 180.0;
    return {static_cast<int>(std::lround(cx + d * std::sin(a))), static_cast<int>(std::lround(cy - d * std::cos(a)))};
}

void SpreadSkyLabels(std::vector<CSkyLabel>& labels, int width, int height)
{
    const int step = std::max(1, height / 2);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const CSkyLabel wanted = labels[i];
        if (IsFree(wanted, labels, i, width, height))
            continue;
        // Sideways steps are as much wider as the label is wider than high.
        const auto at = [&](int ring, const std::array<int, 2>& d) {
            return CSkyLabel{wanted.x + d[0] * ring * step * width / height, wanted.y + d[1] * ring * step};
        };
        bool moved = false;
        for (int ring = 1; ring <= kRings && !moved; ++ring)
            for (const auto& d : kDirections)
                if (!moved && IsFree(at(ring, d), labels, i, width, height)) {
                    labels[i] = at(ring, d);
                    moved = true;
                }
    }
}

} // namespace kestrelon
