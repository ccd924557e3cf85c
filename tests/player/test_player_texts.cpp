// Time formatting and the texts of the player's error reports.
#include "player/PlayerTexts.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>

using namespace lumadeck;

namespace {

TEST(ConvertSeconds, FormsRoundingAndOddValues) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
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
        {3659.9, "1:01:00"}, {-3, "0:-03"},       {-0.4, "0:00"},        {nan, "0:00"},
        {inf, "0:00"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(ConvertSeconds(seconds).toStdString(), text) << seconds;
    }
    EXPECT_FALSE(ConvertSeconds(1e300).isEmpty());
}

const char* kHelpLine = "\r\n\r\nIf you are having problems playing VCD's, you might find some "
                        "help at ";

TEST(ErrorMessage, FormatErrorsGetTheCorruptFileAdvice) {
    const QString text = ComposeErrorMessage("/v/a.dat", 4097, "Unrecognised media format");
    const QString expected =
        QString("There was an error playing the file: /v/a.dat\r\n"
                "MS Media Player reported the following error: \r\n"
                "    Error Code: 4097\r\n"
                "    Error Desc: Unrecognised media format.\r\n\r\n"
                "Either the file may be corrupt or it may not be a valid media file.\r\n"
                "This might happen with .DAT files which may not be really VCD files.") +
        kHelpLine + kVideoCdHelpUrl;
    EXPECT_EQ(text, expected);
    // "format" wins over "codec", in any case.
    EXPECT_EQ(
        ComposeErrorMessage("/v/a.dat", 4097, "Codec stream has a bad FORMAT"),
        QString(expected).replace("Unrecognised media format", "Codec stream has a bad FORMAT"));
}

TEST(ErrorMessage, CodecErrorsPointToCodecsAndTools) {
    const QString text =
        ComposeErrorMessage("/v/b.wmv", 4098, "No codec installed for Windows Media Video 8");
    const QString expected =
        QString("There was an error playing the file: /v/b.wmv\r\n"
                "MS Media Player reported the following error: \r\n"
                "    Error Code: 4098\r\n"
                "    Error Desc: No codec installed for Windows Media Video 8.\r\n"
                "You probably do not have the required Codecs installed to play this file.\r\n"
                "Please note that some video formats such as DivX Avi's or .VOBs need special "
                "codecs.\r\n"
                "You can download DivX codecs at : ") +
        kCodecDownloadUrl +
        ".\r\nThis link has a list of tools you might find useful: " + kVideoToolsUrl + kHelpLine +
        kVideoCdHelpUrl;
    EXPECT_EQ(text, expected);
}

TEST(ErrorMessage, OtherErrorsGetOnlyTheHelpLine) {
    const QString text = ComposeErrorMessage("", -5, "Cannot read the file");
    EXPECT_EQ(text, QString("There was an error playing the file: \r\n"
                            "MS Media Player reported the following error: \r\n"
                            "    Error Code: -5\r\n"
                            "    Error Desc: Cannot read the file.") +
                        kHelpLine + kVideoCdHelpUrl);
}

} // namespace
