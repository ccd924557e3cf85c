// The file finder's wildcards and sort, and its walks over real trees, hostile ones too.
#include "cd/FileNames.h"
#include "cd/MStringSortRoutines.h"
#include "cd/clsFindFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumadeck;

namespace {

void Touch(const QString& root, const QStringList& names) {
    for (const QString& name : names) {
        const QString path = root + "/" + name;
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    }
}

bool Match(const QString& name, const QString& spec, bool bCase = false) {
    return clsFindFile::StrWildCompare(name, spec, bCase);
}

// A finder on a temporary tree; every report of the current search is kept.
class FindFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        QObject::connect(&finder, &clsFindFile::BeginFindFiles, [this] { events << "Begin"; });
        QObject::connect(&finder, &clsFindFile::EndFindFiles,
                         [this](long& n) { events << QStringLiteral("End %1").arg(n); });
        QObject::connect(&finder, &clsFindFile::FindFilesCancelled,
                         [this](long& n) { events << QStringLiteral("Cancelled %1").arg(n); });
        QObject::connect(&finder, &clsFindFile::FoundFile,
                         [this](const QString& full, const QString& name, bool& cancel) {
                             found << full.mid(root.size() + 1);
                             shortNames << name;
                             if (onFound) {
                                 onFound(full, cancel);
                             }
                         });
    }
    long find(const QString& paths, const QString& specs) {
        events.clear();
        found.clear();
        shortNames.clear();
        return finder.FindFiles(paths, specs);
    }
    QTemporaryDir tmp;
    QString root;
    clsFindFile finder;
    QStringList events, found, shortNames; // found: relative to root
    std::function<void(const QString&, bool&)> onFound;
};

} // namespace

// "name|spec|result". 'F': the forward pass matches; 'R': only the reversed
// one does; '-': no match, also where the design misses one ("VIDEO" and
// "*.*", "abc" and "*abc*": neither pass reads the last "*").
TEST(WildCard, BothPassesWhatTheyMissAndCase) {
    const QStringList cases =
        QString::fromUtf8(
            "VIDEO|*.*|- a.b.c|*.*|F .dat|*.*|F abc.|*.*|R abc|abc*|R abc|*abc*|- "
            "xabcx|*abc*|F a.dat.b.dat|*.dat|R x.y.z|*.dat|- *.dat|movie.dat|F "
            "a*|*|F a*|*b|- ab|a?|F a|a?|- abc|a*?c|F abcd|a??d|F abd|a??d|- "
            "abcd|a?*?d|F ||F |*|- a||- |a|- MOVIE.DAT|*.dat|F "
            "\xc3\x89T\xc3\x89.MPG|\xc3\xa9t\xc3\xa9.mpg|F \xce\xa3\xce\x9f.dat|\xcf\x83?.DAT|F "
            "\xf0\x9f\x8e\xac.mpg|?.mpg|F")
            .split(' ');
    for (const QString& c : cases) {
        const QStringList f = c.split('|');
        ASSERT_EQ(f.size(), 3) << c.toStdString();
        EXPECT_EQ(clsFindFile::CompareStrings(f[0], f[1], false), f[2] == "F") << c.toStdString();
        EXPECT_EQ(Match(f[0], f[1]), f[2] != "-") << c.toStdString();
    }
    EXPECT_FALSE(Match("MOVIE.DAT", "*.dat", true));
    EXPECT_FALSE(
        Match(QString::fromUtf8("\xc3\x89T.MPG"), QString::fromUtf8("\xc3\xa9t.mpg"), true));
}

// The finder's order: ascending, case aside, names equal but for case in the order found.
TEST(SortStringArray, AscendingWithoutCaseAndStable) {
    QStringList l{"b.DAT", "A.dat", "B.dat", "", "a.DAT", "c.dat"};
    SortStringArray(l, true, false);
    EXPECT_EQ(l, (QStringList{"", "A.dat", "a.DAT", "b.DAT", "B.dat", "c.dat"}));
    // Past the hand-over to insertion sort.
    QStringList big;
    for (int i = 0; i < 300; ++i) {
        big << QString::number(i * 7919 % 300); // every number once
    }
    QStringList expected = big;
    std::sort(expected.begin(), expected.end());
    SortStringArray(big, true, false);
    EXPECT_EQ(big, expected);
}

// Pieces are trimmed, except a single one without ";"; "*.*" wins.
TEST(SplitFileSpecs, StarDotStarWinsAndPiecesAreTrimmed) {
    clsFindFile f;
    const std::pair<QString, QStringList> rows[] = {{"*.dat;*.*", {"*.*"}},
                                                    {"", {"*.*"}},
                                                    {" *.dat ; *.mpg ", {"*.dat", "*.mpg"}},
                                                    {" *.dat ", {" *.dat "}},
                                                    {";;*.avi;;", {"*.avi"}},
                                                    {" ; ; ", {"*.*"}},
                                                    {"*.DAT;*.*x", {"*.DAT", "*.*x"}}};
    for (const auto& [spec, pieces] : rows) {
        f.SplitFileSpecs(spec);
        EXPECT_EQ(f.Specs(), pieces) << spec.toStdString();
    }
}

TEST_F(FindFileTest, ReportsSortedFilesBeforeSubfoldersDepthFirst) {
    Touch(root, {"b.DAT", "c.dat", "A.dat", "noext", ".hidden.mpg", "sub/MPEGAV/AVSEQ01.DAT",
                 "sub/z.mpg", "sub/deeper/x.avi", "sub/deeper/ spaced .dat "});
    EXPECT_EQ(find(root, "*.*"), 8); // "noext" has no "."
    // "sub": its own file first, then its subfolders in whatever order.
    EXPECT_EQ(found.mid(0, 5),
              (QStringList{".hidden.mpg", "A.dat", "b.DAT", "c.dat", "sub/z.mpg"}));
    EXPECT_EQ(shortNames.mid(0, 5),
              (QStringList{".hidden.mpg", "A.dat", "b.DAT", "c.dat", "z.mpg"}));
    QStringList rest = found.mid(5);
    rest.sort();
    EXPECT_EQ(rest, (QStringList{"sub/MPEGAV/AVSEQ01.DAT", "sub/deeper/ spaced .dat ",
                                 "sub/deeper/x.avi"}));
    EXPECT_EQ(events, (QStringList{"Begin", "End 8"}));
}

TEST_F(FindFileTest, SpecsSeveralPathsTheCurrentFolderAndTrailingSpaces) {
    Touch(root, {"one/a.mpg", "one/b.txt", "two/c.MPG", "disc /a.dat", "disc/b.dat"});
    EXPECT_EQ(find(root + "/two ; ;" + root + "/one/", " *.mpg ; *.avi "), 2);
    EXPECT_EQ(found, (QStringList{"two/c.MPG", "one/a.mpg"}));
    // A path ending in a space is searched as it is; in a list, a piece that
    // names no folder as it is counts trimmed.
    EXPECT_EQ(find(root + "/disc ", "*.dat"), 1);
    EXPECT_EQ(found, QStringList{"disc /a.dat"});
    EXPECT_EQ(find(root + "/disc  ;" + root + "/disc ", "*.dat"), 2);
    EXPECT_EQ(found, (QStringList{"disc/b.dat", "disc /a.dat"}));

    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root + "/one"));
    EXPECT_EQ(find("  ", "*.txt"), 1);
    EXPECT_EQ(found, QStringList{"one/b.txt"});
    EXPECT_EQ(find("../two/./", "*"), 1); // relative paths come out absolute, clean
    EXPECT_EQ(found, QStringList{"two/c.MPG"});
    QDir::setCurrent(saved);
    EXPECT_EQ(find(root + "/missing;" + root + "/one", "a.*"), 1); // a missing path holds nothing
    EXPECT_EQ(found, QStringList{"one/a.mpg"});
}

TEST_F(FindFileTest, EventsRunPerEntryAndCancelStopsTheWalk) {
    Touch(root, {"a.dat", "b.dat", "c.dat", "sub/d.dat"});
    // Once per directory entry and path piece: 4 files, a folder, "." and ".."
    // of both folders; 3 pieces, one empty and one missing.
    int pumps = 0, cancelAt = 0;
    finder.SetEventPump([&] {
        if (++pumps == cancelAt) {
            finder.Cancel();
        }
    });
    finder.Cancel(); // no effect on the next search
    EXPECT_EQ(find(root + ";;" + root + "/missing", "*.*"), 4);
    EXPECT_EQ(pumps, 5 + 4 + 3);
    pumps = 0;
    cancelAt = 2; // Cancel() while events run: the walk stops at its next entry
    EXPECT_EQ(find(root, "*.dat"), 0);
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(events.last(), "Cancelled 0");

    // Cancelled from a handler, with a path still to go.
    finder.SetEventPump({});
    onFound = [](const QString& path, bool& cancel) { cancel = path.endsWith("b.dat"); };
    EXPECT_EQ(find(root + ";" + root + "/sub", "*.dat"), 0);
    EXPECT_EQ(shortNames, (QStringList{"a.dat", "b.dat"}));
    EXPECT_EQ(events, (QStringList{"Begin", "Cancelled 2"}));
    EXPECT_TRUE(finder.IsCancelled()); // stays set until the next search
    EXPECT_FALSE(finder.IsSearching());

    // By default pending events run during the walk: a command queued before the search
    // runs at its first entry, a Cancel queued by a handler stops it at the next entry.
    Touch(root, {"one/a.dat", "one/b.dat", "two/a.dat", "two/b.dat"});
    bool ran = false;
    QMetaObject::invokeMethod(
        &finder, [&] { ran = true; }, Qt::QueuedConnection);
    onFound = {};
    EXPECT_EQ(find(root + "/one;" + root + "/two", "*.dat"), 4);
    EXPECT_TRUE(ran);
    onFound = [&](const QString&, bool&) {
        QMetaObject::invokeMethod(
            &finder, [&] { finder.Cancel(); }, Qt::QueuedConnection);
    };
    EXPECT_EQ(find(root + "/one;" + root + "/two", "*.dat"), 0);
    EXPECT_EQ(found.size(), 2); // the rest of the first folder, never the second
    EXPECT_EQ(events.last(), "Cancelled 2");
}

TEST_F(FindFileTest, LinksLoopsPipesUnreadableAndVanishingFolders) {
    Touch(root, {"top/a.dat", "top/inner/b.dat", "elsewhere/c.dat", "top/locked/secret.dat"});
    const auto link = [&](const char* target, const QString& at) {
        ASSERT_EQ(::symlink(target, QFile::encodeName(root + at).constData()), 0);
    };
    link("..", "/top/inner/up");
    link(QFile::encodeName(root + "/elsewhere").constData(), "/top/linked");
    link("a.dat", "/top/alias.dat");
    link("gone.dat", "/top/dangling.dat");
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/top/pipe.dat").constData(), 0600), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root + "/top/locked").constData(), 0), 0);
    find(root + "/top", "*.dat");
    ::chmod(QFile::encodeName(root + "/top/locked").constData(), 0700);
    if (::geteuid() == 0) {
        found.removeAll("top/locked/secret.dat"); // root reads it all the same
    }
    EXPECT_EQ(found, (QStringList{"top/a.dat", "top/alias.dat", "top/inner/b.dat"}));
    // A starting path that is itself a link is followed.
    EXPECT_EQ(find(root + "/top/linked", "*.*"), 1);
    EXPECT_EQ(found, QStringList{"elsewhere/c.dat"});

    // At the first file everything goes, the folder being walked too.
    Touch(root, {"v/a/1.dat", "v/a/inner/2.dat", "v/b/3.dat", "v/c/4.dat"});
    onFound = [&](const QString&, bool&) { QDir(root + "/v").removeRecursively(); };
    EXPECT_EQ(find(root + "/v", "*.dat"), 1);
    EXPECT_EQ(events.last(), "End 1");
}

// Past PATH_MAX, as a folder cycle looks on a filesystem that invents inode numbers.
TEST_F(FindFileTest, DeepTreesExhaustNeitherStackNorDescriptorsAndHonourTheDepthLimit) {
    QTemporaryDir mem(QDir("/dev/shm").exists() ? "/dev/shm/lumadeck-deep-XXXXXX"
                                                : QDir::tempPath() + "/lumadeck-deep-XXXXXX");
    ASSERT_TRUE(mem.isValid());
    const QString deep = QDir(mem.path()).canonicalPath();
    int fd = ::open(QFile::encodeName(deep).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const int depth = 5000;
    for (int i = 0; i < depth; ++i) {
        if (i == 100) { // a branch far down: coming back means reopening it by name
            ASSERT_EQ(::mkdirat(fd, "e", 0700), 0);
            ASSERT_EQ(::close(::openat(fd, "e/h.dat", O_CREAT | O_WRONLY, 0600)), 0);
        }
        if (i == 10 || i == depth - 1) {
            ASSERT_EQ(::close(::openat(fd, "f.dat", O_CREAT | O_WRONLY, 0600)), 0);
        }
        ASSERT_EQ(::mkdirat(fd, "d", 0700), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    ::close(fd);
    Touch(deep, {"e/g.dat"}); // a sibling after the deep branch
    clsFindFile f;
    QStringList full;
    QObject::connect(&f, &clsFindFile::FoundFile,
                     [&](const QString& name, const QString&, bool&) { full << name; });
    EXPECT_EQ(f.FindFiles(deep, "*.dat"), 4);
    ASSERT_EQ(full.size(), 4);
    EXPECT_TRUE(full.contains(deep + "/e/g.dat"));
    EXPECT_TRUE(full.contains(deep + QString("/d").repeated(100) + "/e/h.dat"));
    EXPECT_TRUE(full.contains(deep + QString("/d").repeated(depth - 1) + "/f.dat"));
    // rm copes with paths longer than PATH_MAX; QTemporaryDir does not.
    EXPECT_EQ(QProcess::execute("rm", {"-rf", deep + "/d"}), 0);

    // A file at every level of a 100-level tree; the limit counts levels
    // below the root, 0 means none.
    QStringList names;
    QString folder;
    for (int level = 0; level < 100; ++level) {
        names << folder + QStringLiteral("f%1.dat").arg(level);
        folder += QStringLiteral("d/");
    }
    Touch(root, names);
    EXPECT_EQ(find(root, "*.dat"), 100); // no limit unless one is set
    for (const int limit : {64, 1, 99, 100, 0}) {
        finder.SetMaxDepth(limit);
        find(root, "*.dat");
        const int levels = limit == 0 ? 100 : std::min(limit, 99) + 1;
        EXPECT_EQ(found.size(), levels) << limit;
        EXPECT_TRUE(shortNames.contains(QStringLiteral("f%1.dat").arg(levels - 1))) << limit;
        EXPECT_FALSE(shortNames.contains(QStringLiteral("f%1.dat").arg(levels))) << limit;
    }
}
