// Times as text, the clamping of odd lengths, and the texts of the player's error reports.
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

// The error box chooses its advice by these texts: "format" and then "codec".
TEST(DescribeFailure, EachFailureGetsItsCodeAndText) {
    using Domain = PipelineFailure::Domain;
    const struct {
        PipelineFailure failure;
        PlaybackError code;
        const char* description;
    } cases[] = {
        {{Domain::Stream, true, "no decoder", {"Windows Media Audio 8", "DivX"}, false},
         PlaybackError::Codec,
         "No codec installed for Windows Media Audio 8, DivX"},
        {{Domain::Core, true, "no suitable plugins found", {}, false},
         PlaybackError::Codec,
         "No codec installed for no suitable plugins found"},
        // A missing codec wins over an empty file.
        {{Domain::Resource, true, "x", {"MPEG-1 Video"}, true},
         PlaybackError::Codec,
         "No codec installed for MPEG-1 Video"},
        {{Domain::Stream, false, "Could not demultiplex stream.", {}, false},
         PlaybackError::Format,
         "Unrecognised or corrupt media format: Could not demultiplex stream."},
        {{Domain::Resource, false, "Permission denied", {}, false},
         PlaybackError::Resource,
         "Cannot read the file: Permission denied"},
        {{Domain::Resource, false, "End of file", {}, true},
         PlaybackError::Format,
         "Unrecognised or corrupt media format: the file is empty"},
        {{Domain::Library, false, "init failed", {}, false},
         PlaybackError::Other,
         "Playback failed: init failed"},
        {{Domain::Core, false, "", {}, false},
         PlaybackError::Other,
         "Playback failed: Unknown error"},
    };
    for (const auto& c : cases) {
        const PlaybackErrorReport r = DescribeFailure(c.failure);
        EXPECT_EQ(r.code, c.code) << c.description;
        EXPECT_EQ(r.description.toStdString(), c.description);
    }
}

// "format" wins over "codec", in any case; other errors get only the help line.
TEST(ErrorMessage, TheAdviceFollowsTheErrorsDescription) {
    const QString corrupt =
        "\r\n\r\nEither the file may be corrupt or it may not be a valid media file.\r\n"
        "This might happen with .DAT files which may not be really VCD files.";
    const QString codecs =
        QString("\r\nYou probably do not have the required Codecs installed to play this file.\r\n"
                "Please note that some video formats such as DivX Avi's or .VOBs need special "
                "codecs.\r\nYou can download DivX codecs at : ") +
        kCodecDownloadUrl +
        ".\r\nThis link has a list of tools you might find useful: " + kVideoToolsUrl;
    const struct {
        const char* file;
        long code;
        const char* description;
        QString advice;
    } cases[] = {{"/v/a.dat", 4097, "Unrecognised media format", corrupt},
                 {"/v/a.dat", 4097, "Codec stream has a bad FORMAT", corrupt},
                 {"/v/b.wmv", 4098, "No codec installed for Windows Media Video 8", codecs},
                 {"", -5, "Cannot read the file", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeErrorMessage(c.file, c.code, c.description),
                  QString("There was an error playing the file: %1\r\n"
                          "MS Media Player reported the following error: \r\n"
                          "    Error Code: %2\r\n"
                          "    Error Desc: %3.")
                          .arg(c.file)
                          .arg(c.code)
                          .arg(c.description) +
                      c.advice +
                      "\r\n\r\nIf you are having problems playing VCD's, you might find some "
                      "help at " +
                      kVideoCdHelpUrl);
    }
}

} // namespace
