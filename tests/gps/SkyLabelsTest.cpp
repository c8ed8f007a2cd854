// The sky view's labels over every recorded receiver: at each redraw, in every
// system's view, no label covers another and none strays far from its satellite.
#include "Captures.h"
#include "gps/GpsPanelModel.h"
#include "gps/SkyLabels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrelon::test {
namespace {

// A sky view of 130 pixels with labels of an 8-pixel font, and at twice that.
constexpr struct {
    int radius, width, height;
} kSizes[] = {{60, 16, 14}, {120, 30, 26}};

TEST(SkyLabels, NoLabelCoversAnotherInAnyCapture)
{
    int crowded = 0; // views in which labels had to move
    for (const std::string& name : CaptureNames()) {
        CGpsPanelModel model(FixedClock());
        for (const char c : CaptureBytes(name)) {
            if (!model.OnReceivedChar(static_cast<std::uint8_t>(c)))
                continue;
            for (const CSatPanel& panel : model.Display().panels)
                for (const auto& size : kSizes) {
                    std::vector<CSkyLabel> labels;
                    for (const CSatSlot& slot : panel.satSlots)
                        if (slot.prn != 0)
                            labels.push_back(SkyPoint(slot.elevation, slot.azimuth, 0, 0, size.radius));
                    const std::vector<CSkyLabel> wanted = labels;
                    SpreadSkyLabels(labels, size.width, size.height);
                    crowded += labels != wanted;
                    for (std::size_t i = 0; i < labels.size(); ++i) {
                        EXPECT_LE(std::hypot(labels[i].x - wanted[i].x, labels[i].y - wanted[i].y), 4.5 * size.width)
                            << name;
                        for (std::size_t j = 0; j < i; ++j)
                            ASSERT_FALSE(std::abs(labels[i].x - labels[j].x) < size.width &&
                                         std::abs(labels[i].y - labels[j].y) < size.height)
                                << name << ": labels " << j << " and " << i;
                    }
                }
        }
    }
    EXPECT_GT(crowded, 0) << "no capture puts two satellites close together";
}

} // namespace
} // namespace kestrelon::test
