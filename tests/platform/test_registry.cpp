// The registry against a real database file: value types, environment
// expansion, key trees, case rules, enumeration, damaged and unreachable
// files, and the file-association writer.
#include "platform/cRegistry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace lumadeck;

void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.typeName() << "(" << v.toString().toStdString() << ")";
}

namespace {

class RegistryTest : public ::testing::Test {
protected:
    QString file() const { return dir.path() + "/data/Lumadeck/registry.sqlite"; }

    QVariant read(long root, const QString& section, const QString& name,
                  const QVariant& fallback = QVariant(-7)) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        reg.SetValueKey(name);
        reg.SetDefault(fallback);
        return reg.Value();
    }
    void write(long root, const QString& section, const QString& name, long type,
               const QVariant& value) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        reg.SetValueKey(name);
        reg.SetValueType(type);
        reg.SetValue(value);
    }
    QStringList sections(long root, const QString& section) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        QStringList names{"stale"};
        long count = -1;
        EXPECT_TRUE(reg.EnumerateSections(names, count));
        EXPECT_EQ(count, names.size());
        return names;
    }
    QStringList values(long root, const QString& section) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        QStringList names{"stale"};
        long count = -1;
        EXPECT_TRUE(reg.EnumerateValues(names, count));
        EXPECT_EQ(count, names.size());
        return names;
    }
    bool exists(long root, const QString& section) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        return reg.KeyExists();
    }
    // Runs SQL straight on the database file, as another program would.
    void rawSql(const QString& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file()).constData(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    // Stores raw bytes of any type under HKEY_CURRENT_USER\Raw.
    void rawValue(const QString& name, int type, const QString& hexBytes) {
        write(HKEY_CURRENT_USER, "Raw", name, REG_SZ, "placeholder");
        rawSql(QString("UPDATE vals SET type = %1, data = x'%2' WHERE name = '%3'")
                   .arg(type)
                   .arg(hexBytes, name));
    }

    QTemporaryDir dir;
    cRegistry reg{file()};
};

} // namespace

TEST_F(RegistryTest, TextValuesChooseTheirTypeByPercentSigns) {
    write(HKEY_CURRENT_USER, "Software\\Lumadeck\\Test", "CurrPos", REG_SZ, 125.5);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Lumadeck\\Test", "CurrPos"), QVariant("125.5"));
    EXPECT_EQ(reg.ValueType(), REG_SZ);

    qputenv("LUMADECK_REG_TMP", "/var/tmp/lumadeck");
    write(HKEY_CURRENT_USER, "T", "expand", REG_SZ, "%LUMADECK_REG_TMP%\\x");
    reg.SetValueType(REG_BINARY);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "expand"), QVariant("/var/tmp/lumadeck\\x"));
    EXPECT_EQ(reg.ValueType(), REG_EXPAND_SZ);

    // Texts without a "%...%" pair stay REG_SZ even when asked for expansion.
    for (const QString& plain : {QString("100%"), QString("%%"), QString("a%b"), QString("")}) {
        write(HKEY_CURRENT_USER, "T", "plain", REG_EXPAND_SZ, plain);
        EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "plain"), QVariant(plain)) << plain.toStdString();
        EXPECT_EQ(reg.ValueType(), REG_SZ) << plain.toStdString();
    }
    write(HKEY_CURRENT_USER, "T", "short", REG_SZ, "%X%");
    read(HKEY_CURRENT_USER, "T", "short");
    EXPECT_EQ(reg.ValueType(), REG_EXPAND_SZ);

    // Other values become their text; non-ASCII text survives the round trip.
    write(HKEY_CURRENT_USER, "T", "bool", REG_SZ, true);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "bool"), QVariant("True"));
    write(HKEY_CURRENT_USER, "T", "long", REG_SZ, 42);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "long"), QVariant("42"));
    write(HKEY_CURRENT_USER, "T", "empty", REG_SZ, QVariant());
    EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "empty"), QVariant(""));
    const QString label = QString::fromUtf8("Ferien 2002 – Ærø ✓");
    write(HKEY_CURRENT_USER, "T", "utf8", REG_SZ, label);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "T", "utf8"), QVariant(label));
}

TEST_F(RegistryTest, ExpansionReplacesOnlySetVariables) {
    qputenv("LUMADECK_REG_A", "alpha");
    qunsetenv("LUMADECK_REG_UNSET");
    EXPECT_EQ(ExpandEnvironmentStrings("%LUMADECK_REG_A%/x"), "alpha/x");
    EXPECT_EQ(ExpandEnvironmentStrings("%LUMADECK_REG_A%%LUMADECK_REG_A%"), "alphaalpha");
    EXPECT_EQ(ExpandEnvironmentStrings("%LUMADECK_REG_UNSET%"), "%LUMADECK_REG_UNSET%");
    EXPECT_EQ(ExpandEnvironmentStrings("100% of %LUMADECK_REG_A%"), "100% of alpha");
    EXPECT_EQ(ExpandEnvironmentStrings("50%"), "50%");
    EXPECT_EQ(ExpandEnvironmentStrings("%%"), "%%");
    EXPECT_EQ(ExpandEnvironmentStrings("%"), "%");
    EXPECT_EQ(ExpandEnvironmentStrings(""), "");
}

TEST_F(RegistryTest, FailedReadsGiveTheDefaultAndKeepTheType) {
    write(HKEY_CURRENT_USER, "Software\\Lumadeck", "Present", REG_SZ, "x");
    reg.SetValueType(REG_DWORD);
    const QVariant zero(0);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Lumadeck", "Absent", zero), zero);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Missing", "Present", zero), zero);
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "Software\\Lumadeck", "Present", zero), zero);
    EXPECT_EQ(read(0, "Software\\Lumadeck", "Present", zero), zero);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\\\Lumadeck", "Present", zero), zero);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "\\Software\\Lumadeck", "Present", zero), zero);
    EXPECT_EQ(reg.ValueType(), REG_DWORD);
    // An empty Default stays empty.
    EXPECT_FALSE(read(HKEY_CURRENT_USER, "Software", "Absent", QVariant()).isValid());
    // The key itself, with its trailing "\", is the same key.
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Lumadeck\\", "Present"), QVariant("x"));
}

TEST_F(RegistryTest, NumbersAreStoredOnlyFromIntegers) {
    write(HKEY_CURRENT_USER, "N", "text", REG_DWORD, "5");
    write(HKEY_CURRENT_USER, "N", "double", REG_DWORD, 5.0);
    write(HKEY_CURRENT_USER, "N", "huge", REG_DWORD, qint64(1) << 40);
    write(HKEY_CURRENT_USER, "N", "unsignedHuge", REG_DWORD, 0xFFFFFFFFu);
    EXPECT_TRUE(values(HKEY_CURRENT_USER, "N").isEmpty());

    write(HKEY_CURRENT_USER, "N", "be", REG_DWORD_BIG_ENDIAN, 5);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "N", "be"), QVariant(5));
    EXPECT_EQ(reg.ValueType(), REG_DWORD);
    write(HKEY_CURRENT_USER, "N", "negative", REG_DWORD, qint64(-2147483648LL));
    EXPECT_EQ(read(HKEY_CURRENT_USER, "N", "negative"), QVariant(int(-2147483648LL)));
    write(HKEY_CURRENT_USER, "N", "short", REG_DWORD, QVariant::fromValue<short>(-3));
    EXPECT_EQ(read(HKEY_CURRENT_USER, "N", "short"), QVariant(-3));
}

TEST_F(RegistryTest, StoredBytesAreReadByTheirType) {
    rawValue("big", REG_DWORD_BIG_ENDIAN, "00000100");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "big"), QVariant(256));
    EXPECT_EQ(reg.ValueType(), REG_DWORD_BIG_ENDIAN);
    rawValue("little", REG_DWORD, "00010000");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "little"), QVariant(256));

    rawValue("multi", REG_MULTI_SZ, "6100620000");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "multi"), QVariant(QString::fromUtf8("a\0b\0", 4)));
    EXPECT_EQ(reg.ValueType(), REG_MULTI_SZ);
    rawValue("qword", 11, "0102030405060708");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "qword"), QVariant(QByteArray("\1\2\3\4\5\6\7\x8")));
    EXPECT_EQ(reg.ValueType(), 11);

    // Data the writer never produces: a text without any byte, and a number
    // with the wrong size.
    rawValue("nothing", REG_SZ, "");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "nothing"), QVariant(""));
    rawValue("short", REG_DWORD, "010203");
    reg.SetValueType(REG_BINARY);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Raw", "short"), QVariant(-7));
    EXPECT_EQ(reg.ValueType(), REG_BINARY);

    const QByteArray bytes("\0\xff\x10", 3);
    write(HKEY_CURRENT_USER, "B", "bin", REG_BINARY, bytes);
    EXPECT_EQ(read(HKEY_CURRENT_USER, "B", "bin"), QVariant(bytes));
    EXPECT_EQ(reg.ValueType(), REG_BINARY);
    write(HKEY_CURRENT_USER, "B", "notBytes", REG_BINARY, "text");
    write(HKEY_CURRENT_USER, "B", "multi", REG_MULTI_SZ, "text");
    write(HKEY_CURRENT_USER, "B", "none", REG_NONE, "text");
    EXPECT_EQ(values(HKEY_CURRENT_USER, "B"), QStringList({"bin"}));
}

TEST_F(RegistryTest, KeysNestWithTheirParentsAndGoWithTheirChildren) {
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey("Software\\Lumadeck\\MPEGAV\\AVSEQ01.DAT\\VCD_ONE");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV"));
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, ""));
    // The root handles also work as the negative 32-bit numbers of old.
    EXPECT_TRUE(exists(long(qint32(HKEY_CURRENT_USER)), "SOFTWARE\\Lumadeck"));
    EXPECT_FALSE(exists(long(qint32(HKEY_LOCAL_MACHINE)), "Software\\Lumadeck"));
    write(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_ONE", "CurrPos", REG_SZ,
          "1");
    write(HKEY_CURRENT_USER, "Software\\Other", "Keep", REG_SZ, "1");
    write(HKEY_LOCAL_MACHINE, "Software\\Lumadeck\\MPEGAV", "Keep", REG_SZ, "1");

    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey("Software\\Lumadeck\\MPEGAV");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.DeleteKey());
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_ONE"));
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV"));
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "Software\\Lumadeck"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software\\Other", "Keep"), QVariant("1"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "Software\\Lumadeck\\MPEGAV", "Keep"), QVariant("1"));

    // A key created again after deletion starts empty.
    write(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV", "Fresh", REG_SZ, "1");
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV"), QStringList());
    EXPECT_EQ(values(HKEY_CURRENT_USER, "Software\\Lumadeck\\MPEGAV"), QStringList({"Fresh"}));

    // Roots and malformed paths cannot be deleted or created.
    reg.SetSectionKey("");
    EXPECT_FALSE(reg.DeleteKey());
    reg.SetSectionKey("a\\\\b");
    EXPECT_FALSE(reg.CreateKey());
    reg.SetClassKey(0x80000005L);
    reg.SetSectionKey("Software");
    EXPECT_FALSE(reg.CreateKey());
    EXPECT_FALSE(reg.KeyExists());
}

TEST_F(RegistryTest, NamesKeepTheirCaseAndMatchWithoutIt) {
    write(HKEY_CURRENT_USER, "Software\\Lumadeck\\MpegAV\\clip.Mpg", "CurrPos", REG_SZ, "1.5");
    write(HKEY_CURRENT_USER, "SOFTWARE\\lumadeck\\MPEGAV\\CLIP.MPG", "CURRPOS", REG_SZ, "2.5");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "software\\LUMADECK\\mpegav\\Clip.mpg", "currpos"),
              QVariant("2.5"));
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "Software"), QStringList({"Lumadeck"}));
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "software\\lumadeck\\mpegav"), QStringList({"clip.Mpg"}));
    EXPECT_EQ(values(HKEY_CURRENT_USER, "Software\\Lumadeck\\MpegAV\\clip.Mpg"),
              QStringList({"CurrPos"}));
    // Non-ASCII letters fold too.
    write(HKEY_CURRENT_USER, QString::fromUtf8("Ärger"), "v", REG_SZ, "1");
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, QString::fromUtf8("äRGER")));

    // Names of files whose bytes were not UTF-8 (lone surrogates) stay apart
    // from each other and from "?", and come back exactly.
    const QString e9 = QString("caf") + QChar(0xDCE9) + ".mpg";
    const QString e8 = QString("caf") + QChar(0xDCE8) + ".mpg";
    const QString emoji = QString::fromUtf8("clip \xF0\x9F\x8E\xAC.mpg");
    write(HKEY_CURRENT_USER, "Odd\\" + e9, "v", REG_SZ, "e9");
    write(HKEY_CURRENT_USER, "Odd\\" + e8, "v", REG_SZ, "e8");
    write(HKEY_CURRENT_USER, "Odd\\caf?.mpg", "v", REG_SZ, "q");
    write(HKEY_CURRENT_USER, "Odd\\" + emoji, "v", REG_SZ, "emoji");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Odd\\" + e9, "v"), QVariant("e9"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Odd\\" + e8, "v"), QVariant("e8"));
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "Odd"), QStringList({"caf?.mpg", e8, e9, emoji}));

    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey("SOFTWARE\\LUMADECK\\MPEGAV\\CLIP.MPG");
    reg.SetValueKey("currPOS");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_FALSE(reg.DeleteValue());
    reg.SetSectionKey("Software\\Nowhere");
    EXPECT_FALSE(reg.DeleteValue());
}

TEST_F(RegistryTest, EnumerationListsValuesInOrderAndKeysSorted) {
    for (const char* name : {"Zeta", "alpha", "", "Mid"}) {
        write(HKEY_CURRENT_USER, "E", name, REG_SZ, "1");
    }
    write(HKEY_CURRENT_USER, "E", "ALPHA", REG_SZ, "2"); // overwrites, keeps its place
    EXPECT_EQ(values(HKEY_CURRENT_USER, "E"), QStringList({"Zeta", "alpha", "", "Mid"}));
    for (const char* name : {"b", "C", "a", "B2"}) {
        write(HKEY_CURRENT_USER, QString("E\\") + name, "v", REG_SZ, "1");
    }
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "E"), QStringList({"a", "b", "B2", "C"}));
    EXPECT_EQ(sections(HKEY_CURRENT_USER, "E\\Missing"), QStringList());
    EXPECT_EQ(values(HKEY_CURRENT_USER, "E\\Missing"), QStringList());
    EXPECT_EQ(values(HKEY_CURRENT_USER, "E\\\\bad"), QStringList());
}

TEST_F(RegistryTest, WritesAreSeenByOtherInstancesAndSurviveReopening) {
    write(HKEY_CURRENT_USER, "P", "v", REG_SZ, "first");
    cRegistry other(file());
    other.SetClassKey(HKEY_CURRENT_USER);
    other.SetSectionKey("p");
    other.SetValueKey("V");
    EXPECT_EQ(other.Value(), QVariant("first"));
    write(HKEY_CURRENT_USER, "P", "v", REG_SZ, "second");
    EXPECT_EQ(other.Value(), QVariant("second"));

    // The file removed while in use: the next write starts a new one that
    // everyone sees, rather than going into the removed file.
    ASSERT_TRUE(QFile::remove(file()));
    QFile::remove(file() + "-wal");
    QFile::remove(file() + "-shm");
    write(HKEY_CURRENT_USER, "P", "v", REG_SZ, "third");
    EXPECT_TRUE(QFile::exists(file()));
    cRegistry fresh(file());
    fresh.SetClassKey(HKEY_CURRENT_USER);
    fresh.SetSectionKey("P");
    fresh.SetValueKey("v");
    EXPECT_EQ(fresh.Value(), QVariant("third"));
}

TEST_F(RegistryTest, NotADatabaseIsMovedAsideAndANewOneStarted) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file()).absolutePath()));
    const QByteArray junk(8192, 'J');
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software", "x", QVariant("dflt")), QVariant("dflt"));
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(err.contains("registry.sqlite.corrupt-")) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();

    const QStringList aside = QDir(QFileInfo(file()).absolutePath())
                                  .entryList({"registry.sqlite.corrupt-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(file()).absolutePath() + "/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), junk);

    write(HKEY_CURRENT_USER, "Software", "x", REG_SZ, "new");
    EXPECT_EQ(read(HKEY_CURRENT_USER, "Software", "x"), QVariant("new"));
}

TEST_F(RegistryTest, DamagedPagesAreDetectedWhenOpening) {
    {
        cRegistry filler(file());
        filler.SetClassKey(HKEY_CURRENT_USER);
        filler.SetValueType(REG_SZ);
        for (int i = 0; i < 400; ++i) {
            filler.SetSectionKey(
                QString("Software\\Lumadeck\\Dir%1\\clip%2.mpg").arg(i % 9).arg(i));
            filler.SetValueKey("CurrPos");
            filler.SetValue(QString(200, QChar('0' + i % 10)));
        }
    }
    rawSql("PRAGMA wal_checkpoint(TRUNCATE)");
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 8 * 4096);
        for (qint64 page = 2; page * 4096 < f.size(); page += 2) {
            f.seek(page * 4096 + 10);
            f.write(QByteArray(300, '\x5a'));
        }
    }
    testing::internal::CaptureStderr();
    cRegistry damaged(file());
    damaged.SetClassKey(HKEY_CURRENT_USER);
    damaged.SetSectionKey("Software\\Lumadeck\\Dir1\\clip1.mpg");
    damaged.SetValueKey("CurrPos");
    damaged.SetDefault(QVariant(0));
    EXPECT_EQ(damaged.Value(), QVariant(0));
    damaged.SetValueType(REG_SZ);
    damaged.SetValue("12.5");
    EXPECT_EQ(damaged.Value(), QVariant("12.5"));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(QDir(QFileInfo(file()).absolutePath())
                  .entryList({"registry.sqlite.corrupt-*"}, QDir::Files)
                  .size(),
              1);
}

TEST_F(RegistryTest, AnUnreachableFileMakesReadsDefaultAndWritesNothing) {
    QFile blocker(dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    cRegistry nowhere(dir.path() + "/blocker/Lumadeck/registry.sqlite");
    nowhere.SetClassKey(HKEY_CURRENT_USER);
    nowhere.SetSectionKey("Software\\Lumadeck\\x");
    nowhere.SetValueKey("CurrPos");
    nowhere.SetDefault(QVariant(0));
    nowhere.SetValueType(REG_SZ);

    testing::internal::CaptureStderr();
    nowhere.SetValue("1.5");
    EXPECT_EQ(nowhere.Value(), QVariant(0));
    EXPECT_FALSE(nowhere.CreateKey());
    EXPECT_FALSE(nowhere.KeyExists());
    QStringList names;
    long count = 5;
    EXPECT_TRUE(nowhere.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(nowhere.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
}

TEST_F(RegistryTest, TheDefaultFileLivesInTheDataFolderUnlessOverridden) {
    EXPECT_TRUE(cRegistry::DefaultDatabaseFile().endsWith("/Lumadeck/registry.sqlite"));
    cRegistry::SetDefaultDatabaseFile(file());
    EXPECT_EQ(cRegistry().DatabaseFile(), file());
    cRegistry::SetDefaultDatabaseFile({});
    EXPECT_NE(cRegistry().DatabaseFile(), file());
}

TEST_F(RegistryTest, AssociationWritesBothClassTrees) {
    reg.CreateEXEAssociation("  /usr/lib/lumadeck/lumadeck ", "Lumadeck.Video", "Video CD track",
                             "dat", "", true, "", true, "Make &new", true, "", 3);
    EXPECT_EQ(reg.ClassKey(), HKEY_LOCAL_MACHINE);
    const QString exe = "\"/usr/lib/lumadeck/lumadeck\"";
    const QList<QPair<QString, QString>> expected = {
        {".dat", "Lumadeck.Video"},
        {"Lumadeck.Video", "Video CD track"},
        {"Lumadeck.Video\\shell\\open", "&Open"},
        {"Lumadeck.Video\\shell\\open\\command", exe + " \"%1\""},
        {"Lumadeck.Video\\shell\\print", "&Print"},
        {"Lumadeck.Video\\shell\\print\\command", exe + " /p \"%1\""},
        {"Lumadeck.Video\\shell\\add", "&Install dat"},
        {"Lumadeck.Video\\shell\\add\\command", exe + " /a \"%1\""},
        {"Lumadeck.Video\\shell\\new", "Make &new"},
        {"Lumadeck.Video\\shell\\new\\command", exe + " /n \"%1\""},
        {"Lumadeck.Video\\DefaultIcon", exe + ",3"},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(read(HKEY_CLASSES_ROOT, key, ""), QVariant(value)) << key.toStdString();
        EXPECT_EQ(reg.ValueType(), REG_SZ);
        EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + key, ""), QVariant(value))
            << key.toStdString();
    }
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "Lumadeck.Video"));

    // A quoted path is not quoted again; verbs not asked for are not written.
    reg.CreateEXEAssociation("\"/opt/x y/player\"", "Other", "", "mpg");
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Other\\shell\\open\\command", ""),
              QVariant("\"/opt/x y/player\" \"%1\""));
    EXPECT_EQ(sections(HKEY_CLASSES_ROOT, "Other\\shell"), QStringList({"open"}));
    EXPECT_EQ(sections(HKEY_CLASSES_ROOT, "Other"), QStringList({"shell"}));
}

TEST_F(RegistryTest, AdditionalVerbsNeedTriplesAndAnExistingClass) {
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations("Missing", {"play", "&Play", "cmd"});
    EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, "Missing"));

    reg.CreateEXEAssociation("/bin/p", "Cls", "Clips", "mpg");
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations("Cls", {"play", "&Play"});
    EXPECT_EQ(sections(HKEY_CLASSES_ROOT, "Cls\\shell"), QStringList({"open"}));

    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations(
        "Cls", {"play", "&Play", "/bin/p -play %1", "enqueue", "&Enqueue", "/bin/p -q \"%1\""});
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Cls\\shell\\play", ""), QVariant("&Play"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Cls\\shell\\play\\command", ""),
              QVariant("/bin/p -play %1"));
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Cls\\shell\\enqueue\\command", ""),
              QVariant("/bin/p -q \"%1\""));
    EXPECT_EQ(sections(HKEY_CLASSES_ROOT, "Cls\\shell"), QStringList({"enqueue", "open", "play"}));
}
