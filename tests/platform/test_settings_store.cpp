// The INI settings store on real files: read back exactly; a damaged file gives the defaults and
// is kept aside on the next write; a folder in the file's place is left alone.
#include "platform/IniSettingsStore.h"
#include "platform_test_files.h"

#include <QTemporaryDir>

using lumadeck::IniSettingsStore;

TEST(IniStore, WritesItsFileReadsItBackAndKeepsADamagedOneAside) {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    const QString path = dir.filePath("Lumadeck/Lumadeck.ini");
    const auto get = [&](const QString& key, const QString& fallback) {
        return store.GetSetting("Lumadeck", "Options", key, fallback);
    };
    const auto set = [&](const QString& key, const QString& value) {
        store.SaveSetting("Lumadeck", "Options", key, value);
    };
    const auto contents = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_EQ(store.FilePath("Lumadeck"), path);
    EXPECT_EQ(get("ThinClient", "False"), "False");
    set("ThinClient", "True"), set("DisplaySize", "3");
    EXPECT_EQ(get("ThinClient", "False"), "True");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Other", "ThinClient", "x"), "x");
    for (const char* line : {"[Options]", "ThinClient=True", "DisplaySize=3"}) {
        EXPECT_TRUE(contents(path).contains(line)) << line;
    }
    for (const QString& value : {QString("a, b"), QString(" padded "), QString("Ünïcödé"),
                                 QString("semi;colon"), QString("")}) {
        set("Key", value);
        EXPECT_EQ(get("Key", "default"), value);
    }

    const QByteArray corrupt("[Options\nThinClient=True\n");
    WriteFile(path, corrupt);
    EXPECT_EQ(get("ThinClient", "False"), "False");
    set("ThinClient", "False"), set("DisplaySize", "1");
    EXPECT_EQ(contents(path + ".corrupt"), corrupt);
    EXPECT_TRUE(get("ThinClient", "x") == "False" && get("DisplaySize", "x") == "1");
    // Binary garbage reads as the defaults and can be written over.
    WriteFile(path, QByteArray::fromHex("00ff5b0a3dfe") + QByteArray(4096, '\x9c'));
    EXPECT_EQ(get("EnableCDNotify", "True"), "True");
    set("EnableCDNotify", "False");
    EXPECT_EQ(get("EnableCDNotify", "True"), "False");
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path));
    set("ThinClient", "True");
    EXPECT_TRUE(QFileInfo(path).isDir() && get("ThinClient", "False") == "False");
}
