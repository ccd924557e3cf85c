// Media extensions, dialog filters and the open and save dialogs.
#include "app/MediaTypes.h"
#include "platform/Services.h"
#include "testing/RecordingDialogs.h"

#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;
using namespace lumadeck::MediaTypes;

TEST(MediaTypes, FourteenExtensionsInAnyCaseWithoutTrimming) {
    for (const char* ext : {"VOB", "mpeg", "Mpg", "MPG", "dat", "DAT", "avi", "asf", "wmv", "mpe",
                            "wma", "wav", "au", "mid", "mp3", "MP2"}) {
        EXPECT_TRUE(IsMediaExtension(ext)) << ext;
    }
    for (const char* ext : {"mp4", "m3u", "ogg", "", " mpg", ".mpg", "mpg ", "txt", "mpga"}) {
        EXPECT_FALSE(IsMediaExtension(ext)) << "'" << ext << "'";
    }
}

TEST(MediaTypes, FilterTexts) {
    EXPECT_EQ(BuildFileFilter(false),
              "All Media Files|*.mp*;*.dat;*.avi;*.asf;*.vob;*.wmv;*.wma;*.wav;*.au;*.mid|Video "
              "Files|*.mpg;*.mpeg;*.mpe;*.dat;*.avi;*.asf;*.wmv;*.vob|Audio "
              "Files|*.mp3;*.mp2;*.wma;*.wav;*.au;*.mid|All Files (*.*)|*.*");
    EXPECT_EQ(BuildFileFilter(true),
              "All Media Files|*.mp*;*.dat;*.avi;*.asf;*.vob;*.wmv;*.wma;*.wav;*.au;*.mid;*.m3u|"
              "Video Files|*.mpg;*.mpeg;*.mpe;*.dat;*.avi;*.asf;*.wmv;*.vob|Audio "
              "Files|*.mp3;*.mp2;*.wma;*.wav;*.au;*.mid|Play lists (*.m3u)|*.m3u|Video CD Images "
              "(*.cue *.bin)|*.cue;*.bin|All Files (*.*)|*.*");
}

TEST(MediaTypes, QtFilterKeepsEntriesAndMatchesBothCases) {
    const QStringList entries = ToQtFilter(BuildFileFilter(true)).split(";;");
    ASSERT_EQ(entries.size(), 6);
    EXPECT_TRUE(entries[0].startsWith("All Media Files (*.mp* *.MP* *.dat *.DAT"));
    EXPECT_TRUE(entries[0].endsWith("*.m3u *.M3U)"));
    EXPECT_EQ(entries[3], "Play lists (*.m3u *.M3U)");
    EXPECT_EQ(entries[4], "Video CD Images (*.cue *.CUE *.bin *.BIN)");
    EXPECT_EQ(entries[5], "All Files (*)"); // every file, dot or not
    // A trailing "|" and empty pattern lists are dropped, not shown broken.
    EXPECT_EQ(ToQtFilter("Play Lists (*.m3u)|*.m3u|"), "Play Lists (*.m3u *.M3U)");
    EXPECT_EQ(ToQtFilter("Nothing|"), "");
}

TEST(MediaTypes, OpenDialogStartsInTheInitialFilesFolderAndSaveDialogNowhere) {
    RecordingDialogs dialogs;
    Services::setDialogs(&dialogs);
    // The path chosen comes back as it is: a name may end with a blank.
    dialogs.files = {"/media/VCD/MPEGAV/AVSEQ02.DAT ", "", "/a.mpg", "/home/u/party.m3u"};
    EXPECT_EQ(ShowOpenDialog(BuildFileFilter(true), "/media/VCD/MPEGAV/AVSEQ01.DAT",
                             "Open Video File", ""),
              "/media/VCD/MPEGAV/AVSEQ02.DAT ");
    EXPECT_EQ(ShowOpenDialog(BuildFileFilter(false), "", "Open Video File", ""), "");
    EXPECT_EQ(ShowOpenDialog("Play Lists (*.m3u)|*.m3u|", "/trip.mpg", "Load", "m3u"), "/a.mpg");
    EXPECT_EQ(ShowSaveDialog("Play Lists (*.m3u)|*.m3u", "/x/y.m3u", "Save Playlist", "m3u"),
              "/home/u/party.m3u");
    Services::setDialogs(nullptr);

    ASSERT_EQ(dialogs.fileDialogs.size(), 4);
    EXPECT_FALSE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(dialogs.fileDialogs[0].request.initialFolder, "/media/VCD/MPEGAV");
    EXPECT_EQ(dialogs.fileDialogs[0].request.title, "Open Video File");
    EXPECT_EQ(dialogs.fileDialogs[0].request.defaultSuffix, "");
    EXPECT_EQ(dialogs.fileDialogs[1].request.initialFolder, "");
    EXPECT_EQ(dialogs.fileDialogs[2].request.initialFolder, "/");
    EXPECT_EQ(dialogs.fileDialogs[2].request.defaultSuffix, "m3u");
    EXPECT_TRUE(dialogs.fileDialogs[3].save);
    EXPECT_EQ(dialogs.fileDialogs[3].request.initialFolder, ""); // the initial name is ignored
}
