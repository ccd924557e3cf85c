// Lengths and positions from files and tags are clamped before anything
// turns them into integers: a bit rate of 1 from a tag, a corrupt header or
// a position of infinity gives a sane seek bar and time text.
#include "player/MediaTime.h"
#include "player/PlayerTexts.h"

#include <gtest/gtest.h>
#include <limits>

using namespace lumadeck;

TEST(MediaTime, CorruptLengthsAndPositionsAreClampedBeforeConversion) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double in;
        double seconds;
    } rows[] = {{12.5, 12.5},
                {0, 0},
                {-5, 0},
                {nan, 0},
                {-inf, 0},
                {inf, 0},
                {1e300, kMaxMediaSeconds},
                {kMaxMediaSeconds + 1, kMaxMediaSeconds}};
    for (const auto& row : rows) {
        EXPECT_EQ(ClampSeconds(row.in), row.seconds) << row.in;
        EXPECT_EQ(ToNanoseconds(row.in), std::int64_t(row.seconds * 1e9)) << row.in;
    }
    // size * 8 / bitrate with a bit rate of 1 and a huge (sparse) file.
    const double estimated = EstimatedSeconds(std::int64_t(1) << 62, 1);
    EXPECT_EQ(estimated, kMaxMediaSeconds);
    EXPECT_EQ(ConvertSeconds(estimated), "8784:00:00");
    EXPECT_EQ(EstimatedSeconds(16000, 128000), 1.0);
    EXPECT_EQ(EstimatedSeconds(16000, 0), 0);
    EXPECT_EQ(EstimatedSeconds(-1, 128000), 0);
}
