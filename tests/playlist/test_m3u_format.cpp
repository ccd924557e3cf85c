#include "playlist/M3UFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumadeck;

TEST(M3UFormat, LinesEndAtCarriageReturnsOnly) {
    auto c = M3UFile::Parse("  /v/a b.mpg  \r\n\r\n   \r#EXTINF:12,Title\r\n\t/v/tab.mpg\r"
                            "/v/a b.mpg\r\n# /v/commented.mpg\r\n\xEF\xBB\xBF/v/caf\xC3\xA9.mpg");
    // Only spaces are trimmed; a tab belongs to the name. Duplicates stay.
    EXPECT_EQ(c.names, QStringList({"/v/a b.mpg", "\t/v/tab.mpg", "/v/a b.mpg",
                                    QStringLiteral("\uFEFF/v/café.mpg")}));
    // Line feeds alone do not end a line: one entry, or none if it is a comment.
    EXPECT_EQ(M3UFile::Parse("/v/a.mpg\n/v/b.mpg\n").names, QStringList({"/v/a.mpg\n/v/b.mpg\n"}));
    EXPECT_TRUE(M3UFile::Parse("#EXTM3U\n#Last:1,5\n/v/a.mpg\n").names.isEmpty());
    // A byte-order mark at the very start is not part of the first line.
    EXPECT_EQ(M3UFile::Parse("\xEF\xBB\xBF/v/a.mpg").names, QStringList({"/v/a.mpg"}));
}

TEST(M3UFormat, ResumeLine) {
    struct Case {
        const char* text;
        long index;
        double position;
    };
    for (const Case& c : {
             Case{"#Last:1,75", 1, 75},
             {"#LAST:  2 ,  12.5  ", 2, 12.5},       // capitals and spaces
             {"#last:3,12,25", 3, 12.25},            // a decimal comma
             {"#Last:4,40\r\n#Last:9", 4, 40},       // no comma: nothing
             {"#Last:4,40\r\n#Last:x,50", 4, 50},    // a bad part keeps its value
             {"#Last:4,40\r\n#Last:6,later", 6, 40}, //
             {"#Last:5,5\r\n#Last:-3,-1.5", 0, 0},   // negatives become 0
             {"#Last:2.5,1", 2, 1},                  // halves round to even
             {"#Last:3.5,1", 4, 1},                  //
             {"#Last:1,2\r\n#Last:99999999999,inf\r\n#Last:1e3,nan", 1000, 2},
             {"#Last:1,1.000,5", 1, 0}, // digit grouping is no number
             {"#Last 3,4", 0, 0},       // not the resume line
         }) {
        const auto read = M3UFile::Parse(c.text);
        EXPECT_EQ(read.lastIndex, c.index) << c.text;
        EXPECT_DOUBLE_EQ(read.lastPosition, c.position) << c.text;
    }
}

TEST(M3UFormat, WritingUsesCrLfUtf8AndADecimalPoint) {
    EXPECT_EQ(M3UFile::Serialize({"/v/a.mpg", "/v/b.mpg"}, std::nullopt),
              QByteArray("/v/a.mpg\r\n/v/b.mpg\r\n"));
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(M3UFile::Serialize({QStringLiteral("/v/é.mpg")}, M3UFile::ResumePoint{1, 1234.25}),
              QByteArray("#EXTM3U\r\n#Last:1,1234.25\r\n/v/\xC3\xA9.mpg\r\n"));
    QLocale::setDefault(before);
    EXPECT_EQ(M3UFile::FormatPosition(0.1 + 0.2), "0.3");
    EXPECT_EQ(M3UFile::FormatPosition(-0.0), "0");
    // A first name that starts with a byte-order mark keeps it.
    const QStringList odd{QStringLiteral("\uFEFFodd.mpg")};
    EXPECT_EQ(M3UFile::Parse(M3UFile::Serialize(odd, std::nullopt)).names, odd);
}

TEST(M3UFiles, FailuresGiveTheSystemsDescriptionAndTouchNothing) {
    QTemporaryDir dir;
    QByteArray data = "untouched";
    QString error;
    const auto readFails = [&](const QString& path, const char* why) {
        EXPECT_FALSE(M3UFile::ReadFile(path, data, error)) << path.toStdString();
        EXPECT_EQ(error, why);
    };
    readFails(dir.filePath("missing.m3u"), "No such file or directory");
    readFails(dir.path(), "Is a directory");
    // A named pipe without a writer must not hang the program.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    readFails(dir.filePath("pipe"), "Invalid argument");
    EXPECT_EQ(data, "untouched");

    const auto writeFails = [&](const QString& path, const char* why) {
        EXPECT_FALSE(M3UFile::WriteFile(path, "x\r\n", error)) << path.toStdString();
        EXPECT_EQ(error, why);
    };
    writeFails(dir.filePath("missing/x.m3u"), "No such file or directory");
    writeFails(dir.path(), "Is a directory");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"pipe"}));

    // A folder its user may not write to (as an ordinary user even for root).
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    writeFails(dir.filePath("list.m3u"), "Permission denied");
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0700), 0);
}

TEST(M3UFiles, ReplacingIsAtomic) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.m3u");
    QString error;
    ASSERT_TRUE(M3UFile::WriteFile(path, "/v/old.mpg\r\n", error));
    // A new file gets ordinary permissions, not those of a temporary file.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    // The program dies once the new text is in the temporary file.
    M3UFile::SetBeforeReplaceHook([](const QString&) -> int { ::_exit(7); });
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        M3UFile::WriteFile(path, "/v/new.mpg\r\n", error);
        ::_exit(0);
    }
    M3UFile::SetBeforeReplaceHook({});
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    QByteArray back;
    ASSERT_TRUE(M3UFile::ReadFile(path, back, error));
    EXPECT_EQ(back, "/v/old.mpg\r\n");

    ASSERT_TRUE(M3UFile::WriteFile(path, "/v/new.mpg\r\n", error));
    ASSERT_TRUE(M3UFile::ReadFile(path, back, error));
    EXPECT_EQ(back, "/v/new.mpg\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
