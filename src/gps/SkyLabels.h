// Where the sky view puts the PRN label of each satellite: at its elevation and
// azimuth, moved the least needed so that no label covers another (receivers
// report satellites a few degrees apart, whose labels would otherwise stack).
#pragma once

#include <cstdint>
#include <vector>

namespace kestrelon {

struct CSkyLabel {
    int x = 0; // centre, in pixels of the view
    int y = 0;
    bool operator==(const CSkyLabel&) const = default;
};

// The centre of a satellite in a sky circle of `radius` around (cx, cy), north
// up: the horizon at the rim, the zenith in the middle.
CSkyLabel SkyPoint(int elevation, int azimuth, double cx, double cy, double radius);

// Moves labels of `width` x `height` pixels apart, in order: each keeps its
// place when free, else takes the nearest free place on rings around it, up to
// four label heights away; one that finds none stays where it was.
void SpreadSkyLabels(std::vector<CSkyLabel>& labels, int width, int height);

} // namespace kestrelon
