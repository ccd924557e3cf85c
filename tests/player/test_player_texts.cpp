// Time formatting and the texts of the player's error reports.
#include "player/PlayerTexts.h"

#include <gtest/gtest.h>
#include <limits>

using namespace lumadeck;

namespace {

std::string fmt(double s) {
    return ConvertSeconds(s).toStdString();
}

TEST(ConvertSeconds, FormatsMinutesBelowAnHourAndHoursFromAnHour) {
    EXPECT_EQ(fmt(0), "0:00");
    EXPECT_EQ(fmt(5), "0:05");
    EXPECT_EQ(fmt(75), "1:15");
    EXPECT_EQ(fmt(600), "10:00");
    EXPECT_EQ(fmt(3599), "59:59");
    EXPECT_EQ(fmt(3600), "1:00:00");
    EXPECT_EQ(fmt(3690), "1:01:30");
    EXPECT_EQ(fmt(7322), "2:02:02");
    EXPECT_EQ(fmt(59), "0:59");
    EXPECT_EQ(fmt(58.6), "0:59");
    EXPECT_EQ(fmt(36000 + 61), "10:01:01");
}

TEST(ConvertSeconds, RoundsHalvesAwayFromZeroUpToAMinuteAndToEvenAbove) {
    EXPECT_EQ(fmt(0.5), "0:01");
    EXPECT_EQ(fmt(2.5), "0:03");
    EXPECT_EQ(fmt(0.49), "0:00");
    EXPECT_EQ(fmt(60.5), "1:00"); // 60.5 -> 60
    EXPECT_EQ(fmt(61.5), "1:02"); // 61.5 -> 62
    EXPECT_EQ(fmt(62.5), "1:02");
    EXPECT_EQ(fmt(3661.5), "1:01:02");
}

TEST(ConvertSeconds, RoundingUpToAFullMinuteCarriesIntoTheMinutes) {
    // Seconds that round up to 60 make the next minute, never "x:00" of the
    // minute before.
    EXPECT_EQ(fmt(59.5), "1:00");
    EXPECT_EQ(fmt(59.6), "1:00");
    EXPECT_EQ(fmt(119.7), "2:00");
    EXPECT_EQ(fmt(3599.5), "1:00:00");
    EXPECT_EQ(fmt(3659.9), "1:01:00");
    EXPECT_EQ(fmt(59.4), "0:59");
}

TEST(ConvertSeconds, OddValuesGiveATextAndNeverCrash) {
    EXPECT_EQ(fmt(-3), "0:-03");
    EXPECT_EQ(fmt(-0.4), "0:00");
    EXPECT_EQ(fmt(std::numeric_limits<double>::quiet_NaN()), "0:00");
    EXPECT_EQ(fmt(std::numeric_limits<double>::infinity()), "0:00");
    EXPECT_FALSE(ConvertSeconds(1e300).isEmpty());
    EXPECT_EQ(fmt(360000), "100:00:00");
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
}

TEST(ErrorMessage, FormatAdviceWinsOverCodecAdvice) {
    const QString text = ComposeErrorMessage("x", 1, "Codec stream has a bad FORMAT");
    EXPECT_TRUE(text.contains("Either the file may be corrupt"));
    EXPECT_FALSE(text.contains("Codecs installed"));
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

TEST(ErrorMessage, AddressesAreWebPages) {
    for (const char* url : {kCodecDownloadUrl, kVideoToolsUrl, kVideoCdHelpUrl}) {
        EXPECT_TRUE(QString(url).startsWith("https://")) << url;
    }
    EXPECT_EQ(ErrorMsgText(7, "Broken"), "Broken. Error Code: 7");
}

} // namespace
