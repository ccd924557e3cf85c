// Times as text, and the clamping of odd lengths and positions.
#include "player/MediaTime.h"
#include "player/PlaybackErrors.h"
#include "player/PlayerTexts.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>

using namespace lumadeck;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ConvertSeconds, FormsRoundingAndOddValues) {
    // m:ss below an hour, h:mm:ss from an hour; halves away from zero up to
    // 59 s and to even above; seconds rounding up to 60 carry into the
    // minutes; odd values still give a text.
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"},         {5, "0:05"},         {59, "0:59"},          {75, "1:15"},
        {600, "10:00"},      {3599, "59:59"},     {3600, "1:00:00"},     {3690, "1:01:30"},
        {7322, "2:02:02"},   {36061, "10:01:01"}, {360000, "100:00:00"}, {0.49, "0:00"},
        {0.5, "0:01"},       {2.5, "0:03"},       {58.6, "0:59"},        {60.5, "1:00"},
        {61.5, "1:02"},      {62.5, "1:02"},      {3661.5, "1:01:02"},   {59.4, "0:59"},
        {59.5, "1:00"},      {59.6, "1:00"},      {119.7, "2:00"},       {3599.5, "1:00:00"},
        {3659.9, "1:01:00"}, {-3, "0:-03"},       {-0.4, "0:00"},        {kNan, "0:00"},
        {kInf, "0:00"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(ConvertSeconds(seconds).toStdString(), text) << seconds;
    }
    EXPECT_FALSE(ConvertSeconds(1e300).isEmpty());
}

// A bit rate of 1, a corrupt header or an infinite position still give a sane seek bar and text.
TEST(MediaTime, CorruptLengthsAndPositionsAreClampedBeforeConversion) {
    const std::pair<double, double> rows[] = {{12.5, 12.5},
                                              {0, 0},
                                              {-5, 0},
                                              {kNan, 0},
                                              {-kInf, 0},
                                              {kInf, 0},
                                              {1e300, kMaxMediaSeconds},
                                              {kMaxMediaSeconds + 1, kMaxMediaSeconds}};
    for (const auto& [in, seconds] : rows) {
        EXPECT_EQ(ClampSeconds(in), seconds) << in;
        EXPECT_EQ(ToNanoseconds(in), std::int64_t(seconds * 1e9)) << in;
    }
    // size * 8 / bitrate with a bit rate of 1 and a huge (sparse) file.
    const double estimated = EstimatedSeconds(std::int64_t(1) << 62, 1);
    EXPECT_EQ(estimated, kMaxMediaSeconds);
    EXPECT_EQ(ConvertSeconds(estimated), "8784:00:00");
    EXPECT_EQ(EstimatedSeconds(16000, 128000), 1.0);
    EXPECT_EQ(EstimatedSeconds(16000, 0), 0);
    EXPECT_EQ(EstimatedSeconds(-1, 128000), 0);
}

} // namespace
