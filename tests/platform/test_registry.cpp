// The registry on a real database file, also as the private viewing history on a file that is
// damaged, unreachable, tampered with or shared.
#include "platform/cRegistry.h"
#include "platform_test_files.h"
#include "testing/QtPrinters.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace lumadeck;

namespace {

constexpr long HKCU = HKEY_CURRENT_USER;

QVariant valueOf(cRegistry& r, long root, const QString& section, const QString& name,
                 const QVariant& fallback = QVariant(-7)) {
    r.SetClassKey(root);
    r.SetSectionKey(section);
    r.SetValueKey(name);
    r.SetDefault(fallback);
    return r.Value();
}

// Runs a statement straight on the database file, as another program would: "" when it
// succeeds, else "error: ...".
QString sqlOn(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    char* error = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 10000);
    const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == 0;
    const QString answer = ok ? "" : "error: " + QString::fromUtf8(error ? error : "?");
    sqlite3_free(error);
    sqlite3_close(db);
    return answer;
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

class RegistryTest : public ::testing::Test {
protected:
    ~RegistryTest() override { ::umask(m_oldMask); }
    QString file() const { return dir.path() + "/data/Lumadeck/registry.sqlite"; }
    QString folder() const { return QFileInfo(file()).absolutePath(); }
    QStringList setAside() const {
        return QDir(folder()).entryList({"registry.sqlite.corrupt-*"}, QDir::Files);
    }
    cRegistry& at(long root, const QString& section) {
        reg.SetClassKey(root);
        reg.SetSectionKey(section);
        return reg;
    }
    QVariant read(long root, const QString& section, const QString& name,
                  const QVariant& fallback = QVariant(-7)) {
        return valueOf(reg, root, section, name, fallback);
    }
    void write(long root, const QString& section, const QString& name, long type,
               const QVariant& value) {
        at(root, section).SetValueKey(name);
        reg.SetValueType(type);
        reg.SetValue(value);
    }
    // The subkeys (keys = true) or the value names of a key.
    QStringList names(long root, const QString& section, bool keys) {
        QStringList found{"stale"};
        long count = -1;
        EXPECT_TRUE(keys ? at(root, section).EnumerateSections(found, count)
                         : at(root, section).EnumerateValues(found, count));
        EXPECT_EQ(count, found.size());
        return found;
    }
    bool exists(long root, const QString& section) { return at(root, section).KeyExists(); }

    const mode_t m_oldMask = ::umask(022);
    QTemporaryDir dir;
    cRegistry reg{file()};
};

} // namespace

TEST_F(RegistryTest, ValuesKeepTheirTypeAndFailedReadsGiveTheDefault) {
    qputenv("LUMADECK_REG_TMP", "/var/tmp/lumadeck");
    qunsetenv("X");
    const QString label = QString::fromUtf8("Ferien 2002 – Ærø ✓");
    // Texts without a "%...%" pair stay REG_SZ even when asked for expansion; other values
    // become their text; non-ASCII text survives the round trip.
    for (const auto& [asked, written, back, type] :
         {std::tuple{REG_SZ, QVariant(125.5), QVariant("125.5"), REG_SZ},
          {REG_SZ, "%LUMADECK_REG_TMP%\\x", "/var/tmp/lumadeck\\x", REG_EXPAND_SZ},
          {REG_SZ, "%X%", "%X%", REG_EXPAND_SZ},
          {REG_EXPAND_SZ, "100%", "100%", REG_SZ},
          {REG_EXPAND_SZ, "%%", "%%", REG_SZ},
          {REG_SZ, label, label, REG_SZ}}) {
        write(HKCU, "T", "v", asked, written);
        reg.SetValueType(REG_BINARY); // a successful read sets the type
        EXPECT_EQ(read(HKCU, "T", "v"), back) << written.toString().toStdString();
        EXPECT_EQ(reg.ValueType(), type) << written.toString().toStdString();
    }
    EXPECT_EQ(ExpandEnvironmentStrings("%LUMADECK_REG_TMP%%LUMADECK_REG_TMP% 100% %X% 5%"),
              "/var/tmp/lumadeck/var/tmp/lumadeck 100% %X% 5%");
    EXPECT_EQ(ExpandEnvironmentStrings("%"), "%");

    // Failed reads give the Default and keep the type; a trailing "\" names the same key.
    write(HKCU, "Software\\Lumadeck", "Present", REG_SZ, "x");
    reg.SetValueType(REG_DWORD);
    for (const auto& [root, section, name] : {std::tuple{HKCU, "Software\\Lumadeck", "Absent"},
                                              {HKCU, "Software\\Missing", "Present"},
                                              {HKEY_LOCAL_MACHINE, "Software\\Lumadeck", "Present"},
                                              {0L, "Software\\Lumadeck", "Present"},
                                              {HKCU, "Software\\\\Lumadeck", "Present"}}) {
        EXPECT_EQ(read(root, section, name, 0), QVariant(0)) << section << " " << name;
    }
    EXPECT_EQ(reg.ValueType(), REG_DWORD);
    EXPECT_FALSE(read(HKCU, "Software", "Absent", QVariant()).isValid());
    EXPECT_EQ(read(HKCU, "Software\\Lumadeck\\", "Present"), QVariant("x"));

    // Stored data the writer never produces too: a text without any byte, and a number with the
    // wrong size (the Default, and the type kept).
    for (const auto& [name, type, hex, value, readType] :
         {std::tuple{"big", REG_DWORD_BIG_ENDIAN, "00000100", QVariant(256), REG_DWORD_BIG_ENDIAN},
          {"little", REG_DWORD, "00010000", 256, REG_DWORD},
          {"multi", REG_MULTI_SZ, "6100620000", QString::fromUtf8("a\0b\0", 4), REG_MULTI_SZ},
          {"nothing", REG_SZ, "", "", REG_SZ},
          {"short", REG_DWORD, "010203", -7, REG_BINARY}}) {
        write(HKCU, "Raw", name, REG_SZ, "placeholder");
        ASSERT_EQ(sqlOn(file(), QString("UPDATE vals SET type = %1, data = x'%2' WHERE name = '%3'")
                                    .arg(type)
                                    .arg(hex, name)),
                  "");
        reg.SetValueType(REG_BINARY);
        EXPECT_EQ(read(HKCU, "Raw", name), value) << name;
        EXPECT_EQ(reg.ValueType(), readType) << name;
    }
    // Bytes only from bytes, numbers (read back as ints) only from integers that fit.
    const QByteArray bytes("\0\xff\x10", 3);
    write(HKCU, "B", "bin", REG_BINARY, bytes);
    EXPECT_TRUE(read(HKCU, "B", "bin") == QVariant(bytes) && reg.ValueType() == REG_BINARY);
    for (const auto& [type, value] : {std::pair{REG_BINARY, QVariant("text")},
                                      {REG_MULTI_SZ, "text"},
                                      {REG_NONE, "text"},
                                      {REG_DWORD, "5"},
                                      {REG_DWORD, 5.0},
                                      {REG_DWORD, qint64(1) << 40},
                                      {REG_DWORD, 0xFFFFFFFFu}}) {
        write(HKCU, "B", value.toString() + QString::number(type), type, value);
    }
    EXPECT_EQ(names(HKCU, "B", false), QStringList({"bin"}));
    write(HKCU, "N", "v", REG_DWORD_BIG_ENDIAN, qint64(-2147483648LL));
    EXPECT_TRUE(read(HKCU, "N", "v") == QVariant(int(-2147483648LL)) &&
                reg.ValueType() == REG_DWORD);
}

TEST_F(RegistryTest, KeysNestFoldTheirCaseAreListedAndGoWithTheirChildren) {
    at(HKCU, "Software\\Lumadeck\\MPEGAV\\AVSEQ01.DAT\\VCD_ONE");
    EXPECT_TRUE(!reg.KeyExists() && reg.CreateKey() && reg.CreateKey());
    EXPECT_TRUE(exists(HKCU, "Software\\Lumadeck\\MPEGAV") && exists(HKCU, ""));
    // The root handles also work as the negative 32-bit numbers of old.
    EXPECT_TRUE(exists(long(qint32(HKCU)), "SOFTWARE\\Lumadeck"));
    EXPECT_FALSE(exists(long(qint32(HKEY_LOCAL_MACHINE)), "Software\\Lumadeck"));
    write(HKCU, "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_ONE", "CurrPos", REG_SZ, "1");
    write(HKCU, "Software\\Other", "Keep", REG_SZ, "1");
    write(HKEY_LOCAL_MACHINE, "Software\\Lumadeck\\MPEGAV", "Keep", REG_SZ, "1");
    EXPECT_TRUE(at(HKCU, "Software\\Lumadeck\\MPEGAV").DeleteKey());
    EXPECT_FALSE(reg.DeleteKey());
    EXPECT_FALSE(exists(HKCU, "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_ONE"));
    EXPECT_TRUE(!exists(HKCU, "Software\\Lumadeck\\MPEGAV") && exists(HKCU, "Software\\Lumadeck"));
    EXPECT_EQ(read(HKCU, "Software\\Other", "Keep"), QVariant("1"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "Software\\Lumadeck\\MPEGAV", "Keep"), QVariant("1"));
    // A key created again after deletion starts empty, also one that takes a deleted key's place.
    write(HKCU, "Software\\Lumadeck\\MPEGAV", "Fresh", REG_SZ, "1");
    EXPECT_EQ(names(HKCU, "Software\\Lumadeck\\MPEGAV", true), QStringList());
    EXPECT_EQ(names(HKCU, "Software\\Lumadeck\\MPEGAV", false), QStringList({"Fresh"}));
    write(HKCU, "Software\\Gone\\x", "Stale", REG_SZ, "1");
    EXPECT_TRUE(at(HKCU, "Software\\Gone").DeleteKey());
    write(HKCU, "Software\\New\\y", "v", REG_SZ, "1");
    EXPECT_EQ(names(HKCU, "Software\\New\\y", false), QStringList({"v"}));
    write(HKCU, "Software\\Full\\Leaf", "v", REG_SZ, "1");
    EXPECT_FALSE(at(HKCU, "Software\\Full").DeleteKeyIfEmpty());
    EXPECT_FALSE(at(HKCU, "Software\\Full\\Leaf").DeleteKeyIfEmpty());
    EXPECT_TRUE(reg.DeleteValue() && reg.DeleteKeyIfEmpty() &&
                !exists(HKCU, "Software\\Full\\Leaf"));
    EXPECT_FALSE(at(HKCU, "").DeleteKey());
    EXPECT_FALSE(at(HKCU, "a\\\\b").CreateKey());
    EXPECT_FALSE(at(0x80000005L, "Software").CreateKey() || reg.KeyExists());

    write(HKCU, "Software\\Lumadeck\\MpegAV\\clip.Mpg", "CurrPos", REG_SZ, "1.5");
    write(HKCU, "SOFTWARE\\lumadeck\\MPEGAV\\CLIP.MPG", "CURRPOS", REG_SZ, "2.5");
    EXPECT_EQ(read(HKCU, "software\\LUMADECK\\mpegav\\Clip.mpg", "currpos"), QVariant("2.5"));
    EXPECT_EQ(names(HKCU, "software\\lumadeck\\mpegav", true), QStringList({"clip.Mpg"}));
    EXPECT_EQ(names(HKCU, "Software\\Lumadeck\\MpegAV\\clip.Mpg", false), QStringList({"CurrPos"}));
    write(HKCU, QString::fromUtf8("Ärger"), "v", REG_SZ, "1");
    EXPECT_TRUE(exists(HKCU, QString::fromUtf8("äRGER")));
    at(HKCU, "SOFTWARE\\LUMADECK\\MPEGAV\\CLIP.MPG").SetValueKey("currPOS");
    EXPECT_TRUE(reg.DeleteValue() && !reg.DeleteValue());
    EXPECT_FALSE(at(HKCU, "Software\\Nowhere").DeleteValue());
    // Names of files whose bytes were not UTF-8 (lone surrogates) stay apart from each other and
    // from "?", and come back exactly.
    const QString e9 = QString("caf") + QChar(0xDCE9) + ".mpg";
    const QString e8 = QString("caf") + QChar(0xDCE8) + ".mpg";
    const QString emoji = QString::fromUtf8("clip \xF0\x9F\x8E\xAC.mpg");
    for (const QString& name : {e9, e8, QString("caf?.mpg"), emoji}) {
        write(HKCU, "Odd\\" + name, "v", REG_SZ, QString::number(name.at(3).unicode()));
    }
    EXPECT_TRUE(read(HKCU, "Odd\\" + e9, "v") == QString::number(0xDCE9) &&
                read(HKCU, "Odd\\" + e8, "v") == QString::number(0xDCE8));
    EXPECT_EQ(names(HKCU, "Odd", true), QStringList({"caf?.mpg", e8, e9, emoji}));
    // Values are listed in the order written, keys sorted.
    for (const char* name : {"Zeta", "alpha", "", "Mid", "ALPHA"}) {
        write(HKCU, "E", name, REG_SZ, "1");
        write(HKCU, QString("E\\") + name + "k", "v", REG_SZ, "1");
    }
    EXPECT_EQ(names(HKCU, "E", false), QStringList({"Zeta", "alpha", "", "Mid"}));
    EXPECT_EQ(names(HKCU, "E", true), QStringList({"alphak", "k", "Midk", "Zetak"}));
    EXPECT_EQ(names(HKCU, "E\\Missing", true) + names(HKCU, "E\\\\bad", false), QStringList());
}

TEST_F(RegistryTest, WritesAreSeenByOtherInstancesAndSurviveReopening) {
    EXPECT_TRUE(cRegistry::DefaultDatabaseFile().endsWith("/Lumadeck/registry.sqlite"));
    // The open file is kept between writes, which go to its log: reopened for each write, it
    // would be checked whole and its log folded back every time (slow saves, long history).
    write(HKCU, "P", "v", REG_SZ, "first");
    const qint64 size = QFileInfo(file()).size();
    write(HKCU, "P", "w", REG_SZ, "first");
    EXPECT_EQ(QFileInfo(file()).size(), size);
    cRegistry other(file());
    EXPECT_EQ(valueOf(other, HKCU, "p", "V"), QVariant("first"));
    write(HKCU, "P", "v", REG_SZ, "second");
    EXPECT_EQ(other.Value(), QVariant("second"));
    // The file removed while in use: the next write starts a new one that everyone sees,
    // rather than going into the removed file.
    ASSERT_TRUE(QFile::remove(file()));
    QFile::remove(file() + "-wal"), QFile::remove(file() + "-shm");
    write(HKCU, "P", "v", REG_SZ, "third");
    cRegistry fresh(file());
    EXPECT_EQ(valueOf(fresh, HKCU, "P", "v"), QVariant("third"));
    // Replaced by another file, as when a backup is put back: the next write goes into that one.
    reg.Close();
    ASSERT_TRUE(QFile::copy(file(), file() + ".bak"));
    write(HKCU, "P", "v", REG_SZ, "fourth");
    ASSERT_EQ(::rename(QFile::encodeName(file() + ".bak").constData(),
                       QFile::encodeName(file()).constData()),
              0);
    QFile::remove(file() + "-wal"), QFile::remove(file() + "-shm");
    write(HKCU, "P", "v", REG_SZ, "fifth");
    cRegistry restored(file());
    EXPECT_EQ(valueOf(restored, HKCU, "P", "v"), QVariant("fifth"));
}

TEST_F(RegistryTest, NotADatabaseOrDamagedPagesAreMovedAsideAndANewOneStarted) {
    const QByteArray junk(8192, 'J');
    WriteFile(file(), junk);
    testing::internal::CaptureStderr();
    EXPECT_EQ(read(HKCU, "Software", "x", QVariant("dflt")), QVariant("dflt"));
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(err.contains("registry.sqlite.corrupt-") && err.count('\n') == 1)
        << err.toStdString();
    ASSERT_EQ(setAside().size(), 1);
    QFile kept(folder() + "/" + setAside().first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), junk);
    write(HKCU, "Software", "x", REG_SZ, "new");
    EXPECT_EQ(read(HKCU, "Software", "x"), QVariant("new"));

    // Damaged pages of a real database are found on opening too.
    for (int i = 0; i < 400; ++i) {
        write(HKCU, QString("Software\\Lumadeck\\Dir%1\\clip%2.mpg").arg(i % 9).arg(i), "CurrPos",
              REG_SZ, QString(200, QChar('0' + i % 10)));
    }
    reg.Close();
    ASSERT_EQ(sqlOn(file(), "PRAGMA wal_checkpoint(TRUNCATE)"), "");
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.size() > 8 * 4096);
        for (qint64 page = 2; page * 4096 < f.size(); page += 2) {
            f.seek(page * 4096 + 10);
            f.write(QByteArray(300, '\x5a'));
        }
    }
    testing::internal::CaptureStderr();
    cRegistry damaged(file());
    EXPECT_EQ(valueOf(damaged, HKCU, "Software\\Lumadeck\\Dir1\\clip1.mpg", "CurrPos", 0),
              QVariant(0));
    damaged.SetValueType(REG_SZ), damaged.SetValue("12.5");
    EXPECT_EQ(damaged.Value(), QVariant("12.5"));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(setAside().size(), 2);
}

TEST_F(RegistryTest, AnUnreachableFileMakesReadsDefaultAndWritesNothing) {
    WriteFile(dir.path() + "/blocker");
    cRegistry nowhere(dir.path() + "/blocker/Lumadeck/registry.sqlite");
    testing::internal::CaptureStderr();
    EXPECT_EQ(valueOf(nowhere, HKCU, "Software\\Lumadeck\\x", "CurrPos", 0), QVariant(0));
    nowhere.SetValueType(REG_SZ), nowhere.SetValue("1.5");
    EXPECT_EQ(nowhere.Value(), QVariant(0));
    EXPECT_FALSE(nowhere.CreateKey() || nowhere.KeyExists());
    QStringList found;
    long count = 5;
    EXPECT_FALSE(nowhere.EnumerateSections(found, count) || count != 0);
    // A folder where the file should be: it cannot be opened, and says so once.
    QDir().mkpath(dir.path() + "/folder/registry.sqlite");
    cRegistry folder(dir.path() + "/folder/registry.sqlite");
    EXPECT_EQ(valueOf(folder, HKCU, "Software\\Lumadeck\\x", "CurrPos", 0), QVariant(0));
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(err.count('\n') == 2 && err.contains("cannot open")) << err.toStdString();
}

TEST_F(RegistryTest, AssociationsAndAdditionalVerbsWriteBothClassTrees) {
    reg.CreateEXEAssociation("  /usr/lib/lumadeck/lumadeck ", "Lumadeck.Video", "Video CD track",
                             "dat", "", true, "", true, "Make &new", true, "", 3);
    EXPECT_EQ(reg.ClassKey(), HKEY_LOCAL_MACHINE);
    const QString exe = "\"/usr/lib/lumadeck/lumadeck\"";
    for (const auto& [key, value] : {std::pair<QString, QString>{".dat", "Lumadeck.Video"},
                                     {"Lumadeck.Video", "Video CD track"},
                                     {"Lumadeck.Video\\shell\\open", "&Open"},
                                     {"Lumadeck.Video\\shell\\open\\command", exe + " \"%1\""},
                                     {"Lumadeck.Video\\shell\\print", "&Print"},
                                     {"Lumadeck.Video\\shell\\print\\command", exe + " /p \"%1\""},
                                     {"Lumadeck.Video\\shell\\add", "&Install dat"},
                                     {"Lumadeck.Video\\shell\\add\\command", exe + " /a \"%1\""},
                                     {"Lumadeck.Video\\shell\\new", "Make &new"},
                                     {"Lumadeck.Video\\shell\\new\\command", exe + " /n \"%1\""},
                                     {"Lumadeck.Video\\DefaultIcon", exe + ",3"}}) {
        EXPECT_EQ(read(HKEY_CLASSES_ROOT, key, ""), QVariant(value)) << key.toStdString();
        EXPECT_EQ(reg.ValueType(), REG_SZ);
        EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + key, ""), QVariant(value))
            << key.toStdString();
    }
    // A quoted path is not quoted again; verbs not asked for are not written.
    reg.CreateEXEAssociation("\"/opt/x y/player\"", "Other", "", "mpg");
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Other\\shell\\open\\command", ""),
              QVariant("\"/opt/x y/player\" \"%1\""));
    EXPECT_EQ(names(HKEY_CLASSES_ROOT, "Other\\shell", true), QStringList({"open"}));
    // Additional verbs need an existing class.
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations("Missing", {"play", "&Play", "cmd"});
    EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, "Missing"));
    reg.CreateEXEAssociation("/bin/p", "Cls", "Clips", "mpg");
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations(
        "Cls", {"play", "&Play", "/bin/p -play %1", "enqueue", "&Enqueue", "/bin/p -q \"%1\""});
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Cls\\shell\\play", ""), QVariant("&Play"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Cls\\shell\\play\\command", ""),
              QVariant("/bin/p -play %1"));
    EXPECT_EQ(read(HKEY_CLASSES_ROOT, "Cls\\shell\\enqueue\\command", ""),
              QVariant("/bin/p -q \"%1\""));
    EXPECT_EQ(names(HKEY_CLASSES_ROOT, "Cls\\shell", true),
              QStringList({"enqueue", "open", "play"}));
}

TEST_F(RegistryTest, FolderAndFilesDenyOthersAndAreMendedOnOpen) {
    const QString movie = "Software\\Lumadeck\\Movies\\trip.mpg";
    write(HKCU, movie, "CurrPos", REG_SZ, "42");
    for (const char* suffix : {"", "-wal", "-shm"}) { // while they are open
        EXPECT_EQ(modeOf(file() + suffix), 0600u) << suffix;
    }
    reg.Close();
    EXPECT_TRUE(modeOf(file()) == 0600u && modeOf(folder()) == 0700u);
    // As an older version left them: readable by everyone.
    WriteFile(file() + "-wal"); // an empty log: nothing to replay
    for (const auto& [path, mode] : {std::pair{folder(), 0755},
                                     {dir.path() + "/data", 0755},
                                     {file(), 0644},
                                     {file() + "-wal", 0666}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }
    cRegistry again(file());
    EXPECT_EQ(valueOf(again, HKCU, movie, "CurrPos", "none"), QVariant("42")); // nothing lost
    EXPECT_TRUE(modeOf(folder()) == 0700u && modeOf(file()) == 0600u);
    EXPECT_EQ(modeOf(file() + "-wal"), 0600u);
    EXPECT_EQ(modeOf(dir.path() + "/data"), 0755u); // the folders above are the user's
}

// Two writers at once, as two copies of the program: no write lost, shared keys made once.
TEST_F(RegistryTest, TwoWritersAtOnceLoseNothing) {
    const auto key = [](int i, const char* who) {
        return QString("Software\\Lumadeck\\Shared\\Dir%1\\%2-%3").arg(i % 5).arg(who).arg(i);
    };
    const auto writeFor = [&](const char* who, int* count) {
        cRegistry r(file());
        r.SetClassKey(HKCU), r.SetValueType(REG_SZ);
        QElapsedTimer running;
        running.start();
        for (*count = 0; running.elapsed() < 2000; ++*count) {
            r.SetSectionKey(key(*count, who)), r.SetValueKey("CurrPos");
            r.SetValue(QString::number(*count));
            QThread::usleep(1000); // a player pauses between writes
        }
    };
    int a = 0, b = 0;
    std::thread other(writeFor, "B", &b);
    writeFor("A", &a);
    other.join();
    for (const auto& [who, count] : {std::pair{"A", a}, {"B", b}}) {
        int lost = 0;
        for (int i = 0; i < count; ++i) {
            lost += read(HKCU, key(i, who), "CurrPos") != QString::number(i);
        }
        EXPECT_TRUE(count > 20 && lost == 0) << who << " lost " << lost << " of " << count;
    }
    EXPECT_EQ(names(HKCU, "Software\\Lumadeck\\Shared", true),
              QStringList({"Dir0", "Dir1", "Dir2", "Dir3", "Dir4"}));
}
