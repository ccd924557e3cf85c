// The five options: defaults, encodings, and the order they are read and
// written in.
#include "app/mdlGlobals.h"
#include "platform/IniSettingsStore.h"
#include "platform/MemorySettingsStore.h"
#include "platform/Services.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
namespace g = lumadeck::mdlGlobals;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setSettings(&store);
        // Values a previous test may have left behind.
        g::EnableCDNotify = false;
        g::SaveVideoPosition = false;
        g::ShowControlsOnFullScreen = false;
        g::ThinClient = true;
        g::DisplaySize = 99;
    }
    void TearDown() override { Services::setSettings(nullptr); }

    void stored(const QString& key, const QString& value) {
        store.values.insert(MemorySettingsStore::path("Lumadeck", "Options", key), value);
    }
    QString saved(const QString& key) const {
        return store.values.value(MemorySettingsStore::path("Lumadeck", "Options", key),
                                  "<absent>");
    }

    MemorySettingsStore store;
};

} // namespace

TEST_F(OptionsTest, EmptyStoreGivesTheDefaults) {
    g::LoadSettings();
    EXPECT_TRUE(g::EnableCDNotify);
    EXPECT_TRUE(g::SaveVideoPosition);
    EXPECT_TRUE(g::ShowControlsOnFullScreen);
    EXPECT_FALSE(g::ThinClient);
    EXPECT_EQ(g::DisplaySize, 0);
    EXPECT_EQ(store.reads, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                        "ShowControlsOnFullScreen", "ThinClient", "DisplaySize"}));
}

TEST_F(OptionsTest, OnlyTheExactTextTrueIsTrue) {
    stored("ThinClient", "true");
    stored("EnableCDNotify", "TRUE");
    stored("SaveVideoPosition", "1");
    stored("ShowControlsOnFullScreen", "");
    g::LoadSettings();
    EXPECT_FALSE(g::ThinClient);
    EXPECT_FALSE(g::EnableCDNotify);
    EXPECT_FALSE(g::SaveVideoPosition);
    EXPECT_FALSE(g::ShowControlsOnFullScreen);

    stored("ThinClient", "True");
    stored("EnableCDNotify", "False");
    g::LoadSettings();
    EXPECT_TRUE(g::ThinClient);
    EXPECT_FALSE(g::EnableCDNotify);
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
    g::EnableCDNotify = true;
    g::SaveVideoPosition = false;
    g::ShowControlsOnFullScreen = true;
    g::ThinClient = false;
    g::DisplaySize = 3;
    g::SaveSettings();
    EXPECT_EQ(store.writes, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                         "ShowControlsOnFullScreen", "DisplaySize", "ThinClient"}));
    EXPECT_EQ(saved("EnableCDNotify"), "True");
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("ShowControlsOnFullScreen"), "True");
    EXPECT_EQ(saved("ThinClient"), "False");
    EXPECT_EQ(saved("DisplaySize"), "3");

    g::DisplaySize = -1;
    g::SaveSettings();
    EXPECT_EQ(saved("DisplaySize"), "-1");
}

TEST_F(OptionsTest, RoundTripThroughTheIniFile) {
    QTemporaryDir dir;
    IniSettingsStore ini(dir.path());
    Services::setSettings(&ini);
    g::EnableCDNotify = false;
    g::SaveVideoPosition = true;
    g::ShowControlsOnFullScreen = false;
    g::ThinClient = true;
    g::DisplaySize = 2;
    g::SaveSettings();

    g::EnableCDNotify = true;
    g::ThinClient = false;
    g::DisplaySize = 0;
    g::LoadSettings();
    EXPECT_FALSE(g::EnableCDNotify);
    EXPECT_TRUE(g::SaveVideoPosition);
    EXPECT_FALSE(g::ShowControlsOnFullScreen);
    EXPECT_TRUE(g::ThinClient);
    EXPECT_EQ(g::DisplaySize, 2);

    QFile f(ini.FilePath("Lumadeck"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("ThinClient=True")) << text.constData();
    EXPECT_TRUE(text.contains("ShowControlsOnFullScreen=False")) << text.constData();
}
