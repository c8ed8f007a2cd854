// The carried capture is cut into whole epochs, each sentence ending CR LF,
// and played round and round.
#include "demo/GpsCapture.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

TEST(GpsCaptureTest, EpochsStartAtGgaAndEndInCrLf)
{
    CGpsCapture capture;
    ASSERT_GE(capture.EpochCount(), 5u);
    const std::string first = capture.NextEpoch();
    for (std::size_t i = 1; i < capture.EpochCount(); ++i) {
        const std::string epoch = capture.NextEpoch();
        EXPECT_EQ(epoch.rfind("$GPGGA,", 0), 0u) << epoch;
        EXPECT_EQ(epoch.substr(epoch.size() - 2), "\r\n");
    }
    EXPECT_EQ(capture.NextEpoch(), first);
}

TEST(GpsCaptureTest, LinesWithoutDollarAndBlankEndsAreDropped)
{
    CGpsCapture capture("garbage\r\n$GPGGA,1*00 \r\n$GPRMC,1*00\n\n$GPGGA,2*00");
    ASSERT_EQ(capture.EpochCount(), 2u);
    EXPECT_EQ(capture.NextEpoch(), "$GPGGA,1*00\r\n$GPRMC,1*00\r\n");
    EXPECT_EQ(capture.NextEpoch(), "$GPGGA,2*00\r\n");
}

} // namespace
} // namespace kestrelon
