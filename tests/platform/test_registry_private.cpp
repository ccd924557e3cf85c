// The saved-position database as the user's private viewing history, and
// as a file someone else may have tampered with: its folder and files deny
// every other user, and a key tree made cyclic still clears.
#include "platform/cRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumadeck;

namespace {

constexpr long HKCU = HKEY_CURRENT_USER;

mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return 07777; // missing: never what any test expects
    }
    return st.st_mode & 07777;
}

void writePosition(cRegistry& reg, const QString& section, int position) {
    reg.SetClassKey(HKCU);
    reg.SetSectionKey(section);
    reg.SetValueKey("CurrPos");
    reg.SetValueType(REG_SZ);
    reg.SetValue(QString::number(position));
}

bool sql(const QString& file, const char* statement) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db, statement, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Runs body in a child process given `seconds` and a bound on memory and
// file size; its result, or false when it ran out of time or crashed.
bool inChildWithin(int seconds, const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit memory{rlim_t(1) << 30, rlim_t(1) << 30};
        ::setrlimit(RLIMIT_AS, &memory);
        const rlimit size{rlim_t(256) << 20, rlim_t(256) << 20};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::alarm(unsigned(seconds));
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class RegistryPrivacyTest : public ::testing::Test {
protected:
    void SetUp() override { oldMask = ::umask(022); }
    void TearDown() override { ::umask(oldMask); }
    QString file() const { return dir.path() + "/data/Lumadeck/registry.sqlite"; }
    QString folder() const { return QFileInfo(file()).absolutePath(); }

    QTemporaryDir dir;
    mode_t oldMask = 0;
};

} // namespace

TEST_F(RegistryPrivacyTest, FolderAndFilesDenyOthersAfterTheFirstWrite) {
    {
        cRegistry reg(file());
        writePosition(reg, "Software\\Lumadeck\\Movies\\trip.mpg", 42);
        EXPECT_EQ(modeOf(folder()), 0700u);
        // The database and its write-ahead files while they are open.
        for (const char* suffix : {"", "-wal", "-shm"}) {
            EXPECT_EQ(modeOf(file() + suffix), 0600u) << suffix;
        }
    }
    EXPECT_EQ(modeOf(file()), 0600u);
}

TEST_F(RegistryPrivacyTest, ExistingFolderAndFilesAreMendedOnOpen) {
    {
        cRegistry reg(file());
        writePosition(reg, "Software\\Lumadeck\\Movies\\trip.mpg", 42);
    }
    // As an older version left them: readable by everyone.
    ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path() + "/data").constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file()).constData(), 0644), 0);
    QFile wal(file() + "-wal");
    ASSERT_TRUE(wal.open(QIODevice::WriteOnly)); // an empty log: nothing to replay
    wal.close();
    ASSERT_EQ(::chmod(QFile::encodeName(file() + "-wal").constData(), 0666), 0);

    cRegistry reg(file());
    reg.SetClassKey(HKCU);
    reg.SetSectionKey("Software\\Lumadeck\\Movies\\trip.mpg");
    reg.SetValueKey("CurrPos");
    reg.SetDefault("none");
    EXPECT_EQ(reg.Value().toString(), "42"); // opening mends; nothing is lost
    EXPECT_EQ(modeOf(folder()), 0700u);
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(modeOf(file() + "-wal"), 0600u);
    // Only the database's own folder: the folders above are the user's.
    EXPECT_EQ(modeOf(dir.path() + "/data"), 0755u);
}

TEST_F(RegistryPrivacyTest, ACyclicKeyTreeClearsInBoundedTime) {
    {
        cRegistry reg(file());
        for (int i = 0; i < 20; ++i) {
            writePosition(reg, QString("Software\\Lumadeck\\Movies\\clip%1.mpg").arg(i), i);
        }
        writePosition(reg, "Software\\Other\\kept", 7);
        reg.SetClassKey(HKEY_LOCAL_MACHINE);
        reg.SetSectionKey("Software\\Machine");
        reg.SetValueKey("kept");
        reg.SetValue("yes");
    }
    // Tampered: the root HKEY_CURRENT_USER hangs below Software\Lumadeck,
    // which lies below it: every key there is its own ancestor.
    ASSERT_TRUE(sql(file(), "UPDATE keys SET parent = (SELECT id FROM keys WHERE folded = "
                            "'lumadeck' AND parent = (SELECT id FROM keys WHERE folded = "
                            "'software' AND parent = 2)) WHERE id = 2"));

    const QString path = file();
    EXPECT_TRUE(inChildWithin(20, [&path] {
        cRegistry reg(path);
        reg.SetClassKey(HKCU);
        reg.SetSectionKey("Software\\Lumadeck");
        return reg.DeleteKey() && !reg.KeyExists();
    }));

    // The other root's keys are untouched.
    cRegistry reg(file());
    reg.SetClassKey(HKEY_LOCAL_MACHINE);
    reg.SetSectionKey("Software\\Machine");
    reg.SetValueKey("kept");
    EXPECT_EQ(reg.Value().toString(), "yes");
}
