#include "cd/FileNames.h"
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

// Makes empty files (and their folders) under root.
void Touch(const QString& root, const QStringList& names) {
    for (const QString& name : names) {
        const QString path = root + "/" + name;
        QDir().mkpath(path.left(path.lastIndexOf('/')));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    }
}

// Records what a finder reports.
struct Recorder {
    QStringList events;
    QStringList full;
    QStringList shortNames;
    std::function<void(const QString&, bool&)> onFound;

    explicit Recorder(clsFindFile& f) {
        QObject::connect(&f, &clsFindFile::BeginFindFiles, [this] { events << "Begin"; });
        QObject::connect(&f, &clsFindFile::EndFindFiles,
                         [this](long& n) { events << QStringLiteral("End %1").arg(n); });
        QObject::connect(&f, &clsFindFile::FindFilesCancelled,
                         [this](long& n) { events << QStringLiteral("Cancelled %1").arg(n); });
        QObject::connect(&f, &clsFindFile::FoundFile,
                         [this](const QString& a, const QString& b, bool& cancel) {
                             full << a;
                             shortNames << b;
                             if (onFound) {
                                 onFound(a, cancel);
                             }
                         });
    }
    QStringList Relative(const QString& root) const {
        QStringList out;
        for (const QString& f : full) {
            out << f.mid(root.size() + 1);
        }
        return out;
    }
};

class FindFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
    }
    QTemporaryDir tmp;
    QString root;
};

} // namespace

// Pieces are trimmed, except a single one without ";"; "*.*" wins.
TEST(SplitFileSpecs, StarDotStarWinsAndPiecesAreTrimmed) {
    clsFindFile f;
    for (const auto& [spec, pieces] : {std::pair<QString, QStringList>{"*.dat;*.*", {"*.*"}},
                                       {"", {"*.*"}},
                                       {" *.dat ; *.mpg ", {"*.dat", "*.mpg"}},
                                       {" *.dat ", {" *.dat "}},
                                       {";;*.avi;;", {"*.avi"}},
                                       {" ; ; ", {"*.*"}},
                                       {"*.DAT;*.*x", {"*.DAT", "*.*x"}}}) {
        f.SplitFileSpecs(spec);
        EXPECT_EQ(f.Specs(), pieces) << spec.toStdString();
    }
}

TEST_F(FindFileTest, ReportsSortedFilesBeforeSubfoldersDepthFirst) {
    Touch(root, {"b.DAT", "c.dat", "A.dat", "noext", ".hidden.mpg", "sub/MPEGAV/AVSEQ01.DAT",
                 "sub/z.mpg", "sub/deeper/x.avi"});
    clsFindFile f;
    Recorder r(f);
    EXPECT_EQ(f.FindFiles(root, "*.*"), 8 - 1); // "noext" has no "."
    // "sub": its own file first, then its subfolders in whatever order.
    QStringList rel = r.Relative(root);
    EXPECT_EQ(rel.mid(0, 5), (QStringList{".hidden.mpg", "A.dat", "b.DAT", "c.dat", "sub/z.mpg"}));
    EXPECT_EQ(r.shortNames.mid(0, 5),
              (QStringList{".hidden.mpg", "A.dat", "b.DAT", "c.dat", "z.mpg"}));
    rel = rel.mid(5);
    rel.sort();
    EXPECT_EQ(rel, (QStringList{"sub/MPEGAV/AVSEQ01.DAT", "sub/deeper/x.avi"}));
    EXPECT_EQ(r.events, (QStringList{"Begin", "End 7"}));
    for (const QString& path : r.full) {
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_TRUE(QDir::isAbsolutePath(path));
    }
}

TEST_F(FindFileTest, SpecsSeveralPathsAndTheCurrentFolder) {
    Touch(root, {"one/a.mpg", "one/b.txt", "two/c.MPG"});
    clsFindFile f;
    Recorder r(f);
    EXPECT_EQ(f.FindFiles(root + "/two ; ;" + root + "/one/", " *.mpg ; *.avi "), 2);
    EXPECT_EQ(r.Relative(root), (QStringList{"two/c.MPG", "one/a.mpg"}));

    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root + "/one"));
    Recorder r2(f);
    EXPECT_EQ(f.FindFiles("  ", "*.txt"), 1);
    EXPECT_EQ(r2.full, QStringList{root + "/one/b.txt"});
    Recorder r3(f);
    EXPECT_EQ(f.FindFiles("../two/./", "*"), 1); // relative paths come out absolute, clean
    EXPECT_EQ(r3.full, QStringList{root + "/two/c.MPG"});
    // A current folder that was removed holds nothing, nor do paths relative
    // to it; absolute paths still lead somewhere, a missing one nowhere.
    ASSERT_TRUE(QDir().mkpath(root + "/gone") && QDir::setCurrent(root + "/gone"));
    ASSERT_TRUE(QDir(root + "/gone").removeRecursively());
    Recorder r4(f);
    EXPECT_EQ(f.FindFiles("", "*.*"), 0);
    EXPECT_EQ(f.FindFiles("..", "*.*"), 0);
    EXPECT_EQ(f.FindFiles(root + "/missing;" + root + "/one", "a.*"), 1);
    QDir::setCurrent(saved);
    EXPECT_EQ(r4.full, QStringList{root + "/one/a.mpg"});
    EXPECT_EQ(r4.events, (QStringList{"Begin", "End 0", "Begin", "End 0", "Begin", "End 1"}));
}

TEST_F(FindFileTest, EventsRunPerEntryAndPathAndCancelStopsTheWalk) {
    Touch(root, {"a.dat", "b.dat", "c.dat", "sub/d.dat"});
    clsFindFile f;
    // Events run once per directory entry and path piece: 4 files, a folder
    // and "." and ".." of both folders; 3 pieces, one of them empty and one
    // missing.
    int pumps = 0;
    int cancelAt = 0;
    f.SetEventPump([&] {
        if (++pumps == cancelAt) {
            f.Cancel();
        }
    });
    f.Cancel(); // no effect on the next search
    EXPECT_EQ(f.FindFiles(root + ";;" + root + "/missing", "*.*"), 4);
    EXPECT_EQ(pumps, 5 + 4 + 3);

    // Cancel() called while events run: the walk stops at its next entry.
    Recorder r(f);
    pumps = 0;
    cancelAt = 2;
    EXPECT_EQ(f.FindFiles(root, "*.dat"), 0);
    EXPECT_TRUE(r.full.isEmpty());
    EXPECT_EQ(r.events.last(), "Cancelled 0");

    // Cancelled from a handler, with a path still to go.
    f.SetEventPump({});
    Recorder r2(f);
    r2.onFound = [](const QString& path, bool& cancel) { cancel = path.endsWith("b.dat"); };
    EXPECT_EQ(f.FindFiles(root + ";" + root + "/sub", "*.dat"), 0);
    EXPECT_EQ(r2.shortNames, (QStringList{"a.dat", "b.dat"}));
    EXPECT_EQ(r2.events, (QStringList{"Begin", "Cancelled 2"}));
    EXPECT_TRUE(f.IsCancelled()); // stays set until the next search
    EXPECT_FALSE(f.IsSearching());
}

TEST_F(FindFileTest, HandlersMayNestAndDestroyTheFinder) {
    Touch(root, {"a.dat", "b.dat"});
    auto* f = new clsFindFile;
    long nested = -1;
    int found = 0;
    QObject::connect(f, &clsFindFile::FoundFile, [&](const QString&, const QString&, bool&) {
        ++found;
        nested = f->FindFiles(root, "*.*"); // refused while searching
        delete f;
    });
    EXPECT_EQ(f->FindFiles(root, "*.dat"), 0);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(found, 1);
}

TEST_F(FindFileTest, LinksLoopsAndUnreadableFolders) {
    Touch(root, {"top/a.dat", "top/inner/b.dat", "elsewhere/c.dat", "top/locked/secret.dat"});
    ASSERT_EQ(::symlink("..", QFile::encodeName(root + "/top/inner/up").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(root + "/elsewhere").constData(),
                        QFile::encodeName(root + "/top/linked").constData()),
              0);
    ASSERT_EQ(::symlink("a.dat", QFile::encodeName(root + "/top/alias.dat").constData()), 0);
    ASSERT_EQ(::symlink("gone.dat", QFile::encodeName(root + "/top/dangling.dat").constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/top/pipe.dat").constData(), 0600), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root + "/top/locked").constData(), 0), 0);

    clsFindFile f;
    Recorder r(f);
    f.FindFiles(root + "/top", "*.dat");
    ::chmod(QFile::encodeName(root + "/top/locked").constData(), 0700);
    QStringList rel = r.Relative(root);
    if (::geteuid() == 0) {
        rel.removeAll("top/locked/secret.dat"); // root reads it all the same
    }
    EXPECT_EQ(rel, (QStringList{"top/a.dat", "top/alias.dat", "top/inner/b.dat"}));

    // A starting path that is itself a link is followed.
    Recorder r2(f);
    EXPECT_EQ(f.FindFiles(root + "/top/linked", "*.*"), 1);
    EXPECT_EQ(r2.full, QStringList{root + "/elsewhere/c.dat"});
}

TEST_F(FindFileTest, NamesThatAreNotUtf8CanBeOpenedByTheNameReported) {
    const QByteArray raw = QFile::encodeName(root) + "/caf\xe9 \xff.dat";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
    Touch(root, {" trailing space .dat "});
    clsFindFile f;
    Recorder r(f);
    EXPECT_EQ(f.FindFiles(root, "*.dat*"), 2);
    ASSERT_EQ(r.full.size(), 2);
    bool sawOdd = false;
    for (const QString& name : r.full) {
        struct stat st {};
        EXPECT_EQ(::stat(EncodeFileName(name).constData(), &st), 0) << name.toStdString();
        sawOdd = sawOdd || EncodeFileName(name) == raw;
    }
    EXPECT_TRUE(sawOdd);
    EXPECT_TRUE(r.shortNames.contains(" trailing space .dat "));
}

TEST(FindFileDeep, VeryDeepTreesNeitherExhaustTheStackNorDescriptors) {
    // 5,000 nested folders: deeper than PATH_MAX allows as one path. Made in
    // memory where possible: thousands of folders are slow on a real disk.
    QTemporaryDir tmp(QDir("/dev/shm").exists() ? "/dev/shm/lumadeck-deep-XXXXXX"
                                                : QDir::tempPath() + "/lumadeck-deep-XXXXXX");
    ASSERT_TRUE(tmp.isValid());
    const QString root = QDir(tmp.path()).canonicalPath();
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const int depth = 5000;
    for (int i = 0; i < depth; ++i) {
        if (i == 100) {
            // A second branch far down: coming back to it means opening the
            // folder again by name from the top.
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
    // A sibling after the deep branch shows the walk comes back up.
    Touch(root, {"e/g.dat"});
    clsFindFile f;
    Recorder r(f);
    EXPECT_EQ(f.FindFiles(root, "*.dat"), 4);
    ASSERT_EQ(r.full.size(), 4);
    EXPECT_TRUE(r.full.contains(root + "/e/g.dat"));
    EXPECT_TRUE(r.full.contains(root + QString("/d").repeated(100) + "/e/h.dat"));
    int deepest = 0;
    for (const QString& p : r.full) {
        deepest = std::max(deepest, int(p.mid(root.size()).split('/').count("d")));
    }
    EXPECT_EQ(deepest, depth - 1); // the last file sits beside the deepest folder
    // rm copes with paths longer than PATH_MAX; QTemporaryDir does not.
    EXPECT_EQ(QProcess::execute("rm", {"-rf", root + "/d"}), 0);
}

TEST_F(FindFileTest, PendingEventsRunDuringTheWalkByDefault) {
    Touch(root, {"one/a.dat", "one/b.dat", "two/a.dat", "two/b.dat"});
    clsFindFile f;
    // A command queued before the search runs at its first entry...
    bool ran = false;
    QMetaObject::invokeMethod(
        &f, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_EQ(f.FindFiles(root, "*.dat"), 4);
    EXPECT_TRUE(ran);
    // ...and a Cancel queued by a handler stops the walk at the next entry.
    Recorder r(f);
    r.onFound = [&](const QString&, bool&) {
        QMetaObject::invokeMethod(
            &f, [&] { f.Cancel(); }, Qt::QueuedConnection);
    };
    EXPECT_EQ(f.FindFiles(root, "*.dat"), 0);
    EXPECT_EQ(r.full.size(), 2); // the rest of the first folder, never the second
    EXPECT_EQ(r.events.last(), "Cancelled 2");
}

TEST_F(FindFileTest, FoldersVanishingMidWalkAreSkippedQuietly) {
    Touch(root, {"a/1.dat", "a/inner/2.dat", "b/3.dat", "c/4.dat"});
    clsFindFile f;
    Recorder r(f);
    r.onFound = [&](const QString&, bool&) {
        // At the first file everything goes, the folder being walked too.
        for (const char* d : {"/a", "/b", "/c"}) {
            QDir(root + d).removeRecursively();
        }
    };
    EXPECT_EQ(f.FindFiles(root, "*.dat"), 1);
    ASSERT_EQ(r.full.size(), 1);
    EXPECT_FALSE(QFile::exists(r.full[0]));
    EXPECT_EQ(r.events.last(), "End 1");
}

// Limits: a disc whose folders nest deeper than any real disc's (a folder
// cycle on a filesystem that invents inode numbers looks like this).
TEST_F(FindFileTest, LimitsTheWalkStopsBelowTheDeepestLevelAllowed) {
    // A file at every level of a 100-level tree, the root being level 0.
    QStringList names;
    QString folder;
    for (int level = 0; level < 100; ++level) {
        names << folder + QStringLiteral("f%1.dat").arg(level);
        folder += QStringLiteral("d/");
    }
    Touch(root, names);
    const auto levelsFound = [&](int limit) {
        clsFindFile f; // a recorder stays connected as long as its finder lives
        if (limit >= 0) {
            f.SetMaxDepth(limit);
        }
        Recorder r(f);
        f.FindFiles(root, "*.dat");
        QList<int> levels;
        for (const QString& path : std::as_const(r.full)) {
            const QString name = path.mid(path.lastIndexOf('/') + 1); // "f<level>.dat"
            levels << name.mid(1, name.size() - 5).toInt();
        }
        return levels;
    };
    EXPECT_EQ(levelsFound(-1).size(), 100); // no limit unless one is set
    for (const int limit : {64, 1, 99, 100, 0}) {
        const QList<int> levels = levelsFound(limit);
        if (limit == 0) {
            EXPECT_EQ(levels.size(), 100); // 0 removes the limit
            continue;
        }
        EXPECT_EQ(levels.size(), std::min(limit, 99) + 1) << limit;
        EXPECT_EQ(levels.isEmpty() ? -1 : *std::max_element(levels.begin(), levels.end()),
                  std::min(limit, 99))
            << limit;
    }
}

TEST_F(FindFileTest, APathEndingInASpaceIsSearchedAsItIs) {
    Touch(root, {"disc /a.dat", "disc/b.dat"});
    clsFindFile f;
    Recorder r(f);
    EXPECT_EQ(f.FindFiles(root + "/disc ", "*.dat"), 1);
    EXPECT_EQ(r.full, QStringList{root + "/disc /a.dat"});
    // In a list, a piece that names no folder as it is still counts trimmed.
    Recorder r2(f);
    EXPECT_EQ(f.FindFiles(root + "/disc  ;" + root + "/disc ", "*.dat"), 2);
    EXPECT_EQ(r2.full, (QStringList{root + "/disc/b.dat", root + "/disc /a.dat"}));
}
