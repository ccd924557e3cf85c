// The INI settings store on real files in a temporary folder.
#include "platform/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using lumadeck::IniSettingsStore;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(IniSettingsStore, AbsentFileAndKeysGiveTheDefault) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "False"), "False");
    store.SaveSetting("Lumadeck", "Options", "ThinClient", "True");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "False"), "True");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "DisplaySize", "0"), "0");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Other", "ThinClient", "x"), "x");
}

TEST(IniSettingsStore, WritesAnIniFileInTheApplicationsFolder) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    store.SaveSetting("Lumadeck", "Options", "EnableCDNotify", "True");
    store.SaveSetting("Lumadeck", "Options", "DisplaySize", "3");
    const QString path = dir.filePath("Lumadeck/Lumadeck.ini");
    EXPECT_EQ(store.FilePath("Lumadeck"), path);
    const QByteArray text = readAll(path);
    EXPECT_TRUE(text.contains("[Options]")) << text.constData();
    EXPECT_TRUE(text.contains("EnableCDNotify=True")) << text.constData();
    EXPECT_TRUE(text.contains("DisplaySize=3")) << text.constData();
}

TEST(IniSettingsStore, TextsComeBackExactlyAsWritten) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    for (const QString& value : {QString("a, b"), QString(" padded "), QString("Ünïcödé"),
                                 QString("semi;colon"), QString("")}) {
        store.SaveSetting("Lumadeck", "Options", "Key", value);
        EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "Key", "default"), value);
    }
}

TEST(IniSettingsStore, CorruptFileGivesDefaultsAndIsKeptAsideOnWrite) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    const QString path = store.FilePath("Lumadeck");
    const QByteArray corrupt("[Options\nThinClient=True\n");
    writeFile(path, corrupt);

    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "False"), "False");

    store.SaveSetting("Lumadeck", "Options", "ThinClient", "False");
    store.SaveSetting("Lumadeck", "Options", "DisplaySize", "1");
    EXPECT_EQ(readAll(path + ".corrupt"), corrupt);
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "x"), "False");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "DisplaySize", "x"), "1");
}

TEST(IniSettingsStore, BinaryGarbageNeverCrashesAndReadsAsDefaults) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.append(static_cast<char>((i * 7919) % 256));
    }
    writeFile(store.FilePath("Lumadeck"), garbage);
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "EnableCDNotify", "True"), "True");
    store.SaveSetting("Lumadeck", "Options", "EnableCDNotify", "False");
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "EnableCDNotify", "True"), "False");
}

TEST(IniSettingsStore, FolderInPlaceOfTheFileIsLeftAlone) {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    const QString path = store.FilePath("Lumadeck");
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "False"), "False");
    store.SaveSetting("Lumadeck", "Options", "ThinClient", "True");
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(store.GetSetting("Lumadeck", "Options", "ThinClient", "False"), "False");
}
