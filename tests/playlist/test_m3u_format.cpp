#include "playlist/M3UFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumadeck;

TEST(M3UParse, LinesEndAtCarriageReturnsOnly) {
    // CR LF and lone CR end lines; blank lines are skipped.
    auto c = M3UFile::Parse("/v/a.mpg\r\n\r\n/v/b.mpg\r/v/c.mpg");
    EXPECT_EQ(c.names, QStringList({"/v/a.mpg", "/v/b.mpg", "/v/c.mpg"}));

    // Line feeds alone do not end a line: the whole text is one entry...
    c = M3UFile::Parse("/v/a.mpg\n/v/b.mpg\n");
    ASSERT_EQ(c.names.size(), 1);
    EXPECT_EQ(c.names[0], "/v/a.mpg\n/v/b.mpg\n");
    // ...and nothing at all when that one line starts with "#".
    c = M3UFile::Parse("#EXTM3U\n#Last:1,5\n/v/a.mpg\n");
    EXPECT_TRUE(c.names.isEmpty());
    EXPECT_EQ(c.lastIndex, 0);
    EXPECT_EQ(c.lastPosition, 0);
}

TEST(M3UParse, SpacesCommentsAndDuplicates) {
    const auto c = M3UFile::Parse("   \r\n  /v/a b.mpg  \r\n#EXTINF:12,Other program's title\r\n"
                                  "\t/v/tab.mpg\r\n/v/a b.mpg\r\n# /v/commented.mpg\r\n");
    // Only spaces are trimmed; a tab belongs to the name.
    EXPECT_EQ(c.names, QStringList({"/v/a b.mpg", "\t/v/tab.mpg", "/v/a b.mpg"}));
}

TEST(M3UParse, ResumeLine) {
    auto c = M3UFile::Parse("#EXTM3U\r\n#Last:1,75\r\na\r\nb\r\nc\r\n");
    EXPECT_EQ(c.lastIndex, 1);
    EXPECT_EQ(c.lastPosition, 75);

    // Capitals and spaces around both numbers.
    c = M3UFile::Parse("#LAST:  2 ,  12.5  \r\na\r\n");
    EXPECT_EQ(c.lastIndex, 2);
    EXPECT_DOUBLE_EQ(c.lastPosition, 12.5);

    // A decimal comma after the first comma, as written on other locales.
    c = M3UFile::Parse("#last:3,12,25\r\n");
    EXPECT_EQ(c.lastIndex, 3);
    EXPECT_DOUBLE_EQ(c.lastPosition, 12.25);

    // Without a comma the line says nothing; later lines overwrite earlier
    // ones; a part that is no number keeps the previous value.
    c = M3UFile::Parse("#Last:4,40\r\n#Last:9\r\n#Last:x,50\r\n");
    EXPECT_EQ(c.lastIndex, 4);
    EXPECT_EQ(c.lastPosition, 50);
    c = M3UFile::Parse("#Last:4,40\r\n#Last:6,later\r\n");
    EXPECT_EQ(c.lastIndex, 6);
    EXPECT_EQ(c.lastPosition, 40);

    // Negatives become 0; a fraction of an index rounds half to even;
    // numbers out of range or not finite are failures.
    c = M3UFile::Parse("#Last:5,5\r\n#Last:-3,-1.5\r\n");
    EXPECT_EQ(c.lastIndex, 0);
    EXPECT_EQ(c.lastPosition, 0);
    c = M3UFile::Parse("#Last:2.5,1\r\n");
    EXPECT_EQ(c.lastIndex, 2);
    c = M3UFile::Parse("#Last:3.5,1\r\n");
    EXPECT_EQ(c.lastIndex, 4);
    c = M3UFile::Parse("#Last:1,2\r\n#Last:99999999999,inf\r\n#Last:1e3,nan\r\n");
    EXPECT_EQ(c.lastIndex, 1000);
    EXPECT_EQ(c.lastPosition, 2);
    // Digit grouping is not a number.
    c = M3UFile::Parse("#Last:1,1.000,5\r\n");
    EXPECT_EQ(c.lastPosition, 0);

    // "#Last" without its colon is just a comment.
    c = M3UFile::Parse("#Last 3,4\r\n");
    EXPECT_EQ(c.lastIndex, 0);
}

TEST(M3UParse, Utf8AndByteOrderMark) {
    const auto c = M3UFile::Parse("\xEF\xBB\xBF#EXTM3U\r\n/v/caf\xC3\xA9 \xE2\x99\xAB.mpg\r\n");
    EXPECT_EQ(c.names, QStringList({QStringLiteral("/v/café ♫.mpg")}));
}

TEST(M3USerialize, HeaderOnlyWithResumeLineAndCrLfEverywhere) {
    EXPECT_EQ(M3UFile::Serialize({"/v/a.mpg", "/v/b.mpg"}, std::nullopt),
              QByteArray("/v/a.mpg\r\n/v/b.mpg\r\n"));
    EXPECT_EQ(
        M3UFile::Serialize({"/v/a.mpg", QStringLiteral("/v/é.mpg")}, M3UFile::ResumePoint{1, 75}),
        QByteArray("#EXTM3U\r\n#Last:1,75\r\n/v/a.mpg\r\n/v/\xC3\xA9.mpg\r\n"));
    EXPECT_EQ(M3UFile::Serialize({}, std::nullopt), QByteArray());
}

TEST(M3USerialize, PositionsUseADecimalPointWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(M3UFile::FormatPosition(12.5), "12.5");
    EXPECT_EQ(M3UFile::FormatPosition(1234567.25), "1234567.25");
    QLocale::setDefault(before);
    EXPECT_EQ(M3UFile::FormatPosition(75), "75");
    EXPECT_EQ(M3UFile::FormatPosition(0.1 + 0.2), "0.3");
    EXPECT_EQ(M3UFile::FormatPosition(-0.0), "0");
    EXPECT_EQ(M3UFile::FormatPosition(std::numeric_limits<double>::quiet_NaN()), "0");
}

TEST(M3USerialize, FirstNameStartingWithAByteOrderMarkSurvives) {
    const QStringList names{QString(QChar(0xFEFF)) + "odd.mpg", "b.mpg"};
    EXPECT_EQ(M3UFile::Parse(M3UFile::Serialize(names, std::nullopt)).names, names);
}

class M3UFiles : public ::testing::Test {
protected:
    void TearDown() override { M3UFile::SetBeforeReplaceHook({}); }
    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray contentsOf(const QString& p) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QStringList entriesOfDir() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QTemporaryDir dir;
};

TEST_F(M3UFiles, WriteThenReadBack) {
    QString error;
    const QByteArray text = M3UFile::Serialize({"/v/a.mpg"}, M3UFile::ResumePoint{0, 3.5});
    ASSERT_TRUE(M3UFile::WriteFile(path("list.m3u"), text, error)) << error.toStdString();
    QByteArray back;
    ASSERT_TRUE(M3UFile::ReadFile(path("list.m3u"), back, error));
    EXPECT_EQ(back, text);
    // No temporary file is left beside the playlist.
    EXPECT_EQ(entriesOfDir(), QStringList({"list.m3u"}));
    // A new file gets the ordinary permissions, not a temporary file's 0600.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path("list.m3u")).constData(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(M3UFiles, ReadFailuresGiveTheSystemsDescription) {
    QByteArray data = "untouched";
    QString error;
    EXPECT_FALSE(M3UFile::ReadFile(path("missing.m3u"), data, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(M3UFile::ReadFile(dir.path(), data, error));
    EXPECT_EQ(error, "Is a directory");
    EXPECT_FALSE(M3UFile::ReadFile(path("missing/x.m3u"), data, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(M3UFile::ReadFile(QString(), data, error));
    EXPECT_EQ(data, "untouched");

    // A named pipe without a writer must not hang the program.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    EXPECT_FALSE(M3UFile::ReadFile(path("pipe"), data, error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(M3UFiles, WriteFailuresLeaveTheOldFileAlone) {
    QString error;
    EXPECT_FALSE(M3UFile::WriteFile(path("missing/x.m3u"), "x\r\n", error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(M3UFile::WriteFile(dir.path(), "x\r\n", error));
    EXPECT_EQ(error, "Is a directory");
    // Even root may not create files in sysfs.
    EXPECT_FALSE(M3UFile::WriteFile("/sys/lumadeck-test.m3u", "x\r\n", error));
    EXPECT_EQ(error, "Permission denied");
    EXPECT_TRUE(entriesOfDir().isEmpty());
}

TEST_F(M3UFiles, InterruptedReplaceKeepsTheOldPlaylistWhole) {
    QString error;
    const QByteArray old = M3UFile::Serialize({"/v/a.mpg", "/v/b.mpg"}, std::nullopt);
    ASSERT_TRUE(M3UFile::WriteFile(path("list.m3u"), old, error));

    // The disk fills up after the new text went to the temporary file.
    QString seenPath;
    M3UFile::SetBeforeReplaceHook([&](const QString& p) {
        seenPath = p;
        return ENOSPC;
    });
    EXPECT_FALSE(M3UFile::WriteFile(path("list.m3u"), "/v/new.mpg\r\n", error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(seenPath, path("list.m3u"));
    EXPECT_EQ(contentsOf(path("list.m3u")), old);
    EXPECT_EQ(entriesOfDir(), QStringList({"list.m3u"}));

    // The program dies at that moment: the old playlist still reads whole.
    M3UFile::SetBeforeReplaceHook([](const QString&) -> int { ::_exit(7); });
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        M3UFile::WriteFile(path("list.m3u"), "/v/new.mpg\r\n", error);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(contentsOf(path("list.m3u")), old);
    EXPECT_EQ(M3UFile::Parse(contentsOf(path("list.m3u"))).names,
              QStringList({"/v/a.mpg", "/v/b.mpg"}));
}
