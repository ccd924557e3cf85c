// The control's error code and text for each kind of pipeline failure.
#include "player/PlaybackErrors.h"

#include <gtest/gtest.h>

using namespace lumadeck;
using Domain = PipelineFailure::Domain;

namespace {

struct Case {
    const char* name;
    PipelineFailure failure;
    PlaybackError code;
    const char* description;
};

TEST(DescribeFailure, EachFailureGetsItsCodeAndText) {
    const Case cases[] = {
        {"missing codec named by the pipeline",
         {Domain::Stream, true, "no decoder", {"Windows Media Audio 8", "DivX"}, false},
         PlaybackError::Codec,
         "No codec installed for Windows Media Audio 8, DivX"},
        {"missing codec, none named",
         {Domain::Core, true, "no suitable plugins found", {}, false},
         PlaybackError::Codec,
         "No codec installed for no suitable plugins found"},
        {"a missing codec wins over an empty file",
         {Domain::Resource, true, "x", {"MPEG-1 Video"}, true},
         PlaybackError::Codec,
         "No codec installed for MPEG-1 Video"},
        {"corrupt stream",
         {Domain::Stream, false, "Could not demultiplex stream.", {}, false},
         PlaybackError::Format,
         "Unrecognised or corrupt media format: Could not demultiplex stream."},
        {"unreadable file",
         {Domain::Resource, false, "Permission denied", {}, false},
         PlaybackError::Resource,
         "Cannot read the file: Permission denied"},
        {"an empty file is a format error",
         {Domain::Resource, false, "End of file", {}, true},
         PlaybackError::Format,
         "Unrecognised or corrupt media format: the file is empty"},
        {"library failure",
         {Domain::Library, false, "init failed", {}, false},
         PlaybackError::Other,
         "Playback failed: init failed"},
        {"core failure without text",
         {Domain::Core, false, "", {}, false},
         PlaybackError::Other,
         "Playback failed: Unknown error"},
    };
    for (const Case& c : cases) {
        const PlaybackErrorReport r = DescribeFailure(c.failure);
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_EQ(r.description.toStdString(), c.description) << c.name;
    }
}

TEST(DescribeFailure, TheFormatAndCodecTextsCarryTheWordsTheAdviceLooksFor) {
    // The error box chooses its advice by "format" and then "codec".
    EXPECT_TRUE(DescribeFailure({Domain::Stream, false, "x", {}, false})
                    .description.toLower()
                    .contains("format"));
    EXPECT_TRUE(DescribeFailure({Domain::Stream, true, "x", {}, false})
                    .description.toLower()
                    .contains("codec"));
    EXPECT_FALSE(DescribeFailure({Domain::Stream, true, "x", {}, false})
                     .description.toLower()
                     .contains("format"));
}

} // namespace
