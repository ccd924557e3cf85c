// The five options: defaults, encodings, and the order they are read and
// written in.
#include "MainWindowFixture.h"

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

using OptionsTest = MainWindowTest;

namespace {

const QStringList Flags = {"EnableCDNotify", "SaveVideoPosition", "ShowControlsOnFullScreen",
                           "ThinClient"};

QList<bool> flagValues() {
    return {g::EnableCDNotify, g::SaveVideoPosition, g::ShowControlsOnFullScreen, g::ThinClient};
}

} // namespace

TEST_F(OptionsTest, EmptyStoreGivesTheDefaultsReadInOrder) {
    store.values.clear();
    g::EnableCDNotify = g::SaveVideoPosition = g::ShowControlsOnFullScreen = false;
    g::ThinClient = true;
    g::DisplaySize = 99;
    g::LoadSettings();
    EXPECT_EQ(flagValues(), QList<bool>({true, true, true, false}));
    EXPECT_EQ(g::DisplaySize, 0);
    EXPECT_EQ(store.reads, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                        "ShowControlsOnFullScreen", "ThinClient", "DisplaySize"}));
}

TEST_F(OptionsTest, OnlyTheExactTextTrueIsTrue) {
    for (const QString& text : QStringList{"true", "TRUE", "1", "", "False", "True"}) {
        for (const QString& key : Flags) {
            stored(key, text);
        }
        g::LoadSettings();
        EXPECT_EQ(flagValues(), QList<bool>(4, text == "True")) << "'" << text.toStdString() << "'";
    }
}

TEST_F(OptionsTest, DisplaySizeIsReadAsANumber) {
    const std::pair<QString, long> cases[] = {
        {"0", 0},   {"2", 2},   {"7", 7}, {"-1", -1},   {" 3 ", 3},   {"2.5", 2},
        {"3.5", 4}, {"abc", 0}, {"", 0},  {"1e400", 0}, {"12abc", 0}, {"99999999999", 0}};
    for (const auto& [text, expected] : cases) {
        stored("DisplaySize", text);
        g::LoadSettings();
        EXPECT_EQ(g::DisplaySize, expected) << "stored text: '" << text.toStdString() << "'";
    }
}

TEST_F(OptionsTest, SavedInTheirOrderWithTheirTexts) {
    g::EnableCDNotify = g::ShowControlsOnFullScreen = true;
    g::SaveVideoPosition = g::ThinClient = false;
    for (long size : {3L, -1L}) {
        g::DisplaySize = size;
        g::SaveSettings();
        EXPECT_EQ(saved("DisplaySize"), QString::number(size));
    }
    EXPECT_EQ(store.writes.mid(5),
              QStringList({"EnableCDNotify", "SaveVideoPosition", "ShowControlsOnFullScreen",
                           "DisplaySize", "ThinClient"}));
    EXPECT_EQ(saved("EnableCDNotify"), "True");
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("ShowControlsOnFullScreen"), "True");
    EXPECT_EQ(saved("ThinClient"), "False");
}
