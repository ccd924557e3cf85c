// The INI settings store on real files in a temporary folder.
#include "platform/IniSettingsStore.h"
#include "platform_test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using lumadeck::IniSettingsStore;

namespace {

class IniStore : public ::testing::Test {
protected:
    QString get(const QString& key, const QString& fallback, const QString& section = "Options") {
        return store.GetSetting("Lumadeck", section, key, fallback);
    }
    void set(const QString& key, const QString& value) {
        store.SaveSetting("Lumadeck", "Options", key, value);
    }
    QByteArray contents(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    const QString path = dir.filePath("Lumadeck/Lumadeck.ini");
};

} // namespace

TEST_F(IniStore, WritesAnIniFileInTheApplicationsFolderAndReadsItBackExactly) {
    EXPECT_EQ(store.FilePath("Lumadeck"), path);
    EXPECT_EQ(get("ThinClient", "False"), "False");
    set("ThinClient", "True");
    set("DisplaySize", "3");
    EXPECT_EQ(get("ThinClient", "False"), "True");
    EXPECT_EQ(get("ThinClient", "x", "Other"), "x");
    const QByteArray text = contents(path);
    for (const char* line : {"[Options]", "ThinClient=True", "DisplaySize=3"}) {
        EXPECT_TRUE(text.contains(line)) << text.constData();
    }
    for (const QString& value : {QString("a, b"), QString(" padded "), QString("Ünïcödé"),
                                 QString("semi;colon"), QString("")}) {
        set("Key", value);
        EXPECT_EQ(get("Key", "default"), value);
    }
}

TEST_F(IniStore, CorruptFilesGiveDefaultsAndAreKeptAsideOnWriteAFolderIsLeftAlone) {
    const QByteArray corrupt("[Options\nThinClient=True\n");
    WriteFile(path, corrupt);
    EXPECT_EQ(get("ThinClient", "False"), "False");
    set("ThinClient", "False");
    set("DisplaySize", "1");
    EXPECT_EQ(contents(path + ".corrupt"), corrupt);
    EXPECT_EQ(get("ThinClient", "x"), "False");
    EXPECT_EQ(get("DisplaySize", "x"), "1");
    // Binary garbage reads as the defaults and can be written over.
    WriteFile(path, QByteArray::fromHex("00ff5b0a3dfe") + QByteArray(4096, '\x9c'));
    EXPECT_EQ(get("EnableCDNotify", "True"), "True");
    set("EnableCDNotify", "False");
    EXPECT_EQ(get("EnableCDNotify", "True"), "False");
    // A folder in place of the file.
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path));
    set("ThinClient", "True");
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(get("ThinClient", "False"), "False");
}
