// Discs made by someone else: file names that are not UTF-8 beside names
// that Qt's own encoding would confuse them with, folders nested deeper
// than any real disc's, and more video files than any real disc holds.
#include "MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "platform/FileNames.h"

#include <QMenu>
#include <fcntl.h>
#include <unistd.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Files made under the exact names given as bytes, removed again at the
// end (the temporary folder's own clean-up cannot name them).
struct RawFiles {
    ~RawFiles() {
        for (const QByteArray& path : std::as_const(made)) {
            ::unlink(path.constData());
        }
    }
    bool make(const QByteArray& path, qint64 size) {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        made << path;
        const bool ok = ::ftruncate(fd, size) == 0;
        ::close(fd);
        return ok;
    }
    QList<QByteArray> made;
};

// The listed files of a drive (its dropdown items after the three fixed ones).
QList<DriveMenuItem> listedFiles(frmLumadeck& w, const QString& key) {
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        if (b.key == key) {
            return b.items.size() > 3 ? b.items.mid(3) : QList<DriveMenuItem>{};
        }
    }
    return {};
}

} // namespace

class ForeignDiscTest : public MainWindowTest {};

TEST_F(ForeignDiscTest, ANameThatIsNotUtf8AndAQuestionMarkAreBothListedAndEachPlaysItself) {
    const QString disc = dir.filePath("disc");
    QDir().mkpath(disc);
    const QByteArray folder = EncodeFileName(disc);
    // Sizes tell the files apart in their captions: 3 KB and 5 KB.
    RawFiles raws;
    ASSERT_TRUE(raws.make(folder + "/\xE9.mpg", 3 * 1024));
    ASSERT_TRUE(raws.make(folder + "/?.mpg", 5 * 1024));
    drives.InsertDisc("sr0", disc, "FOREIGN");
    frmLumadeck& w = start();

    const QList<DriveMenuItem> files = listedFiles(w, "CDsr0");
    ASSERT_EQ(files.size(), 2);
    const QString raw = disc + "/" + QChar(0xDCE9) + ".mpg"; // the byte kept as it is
    const QString question = disc + "/?.mpg";
    QStringList keys;
    for (const DriveMenuItem& item : files) {
        keys << item.key;
    }
    EXPECT_TRUE(keys.contains(raw));
    EXPECT_TRUE(keys.contains(question));
    for (const DriveMenuItem& item : files) {
        const QString expected = item.key == raw ? QString(QChar(0xDCE9)) + ".mpg (3 KB)"
                                                 : QStringLiteral("?.mpg (5 KB)");
        EXPECT_EQ(item.text, expected);
    }

    // Each item opens its own file, which the simulated engine tells apart
    // by length.
    SimulatedMedia first;
    first.duration = 11;
    control->Script(raw, first);
    SimulatedMedia second;
    second.duration = 22;
    control->Script(question, second);
    for (const auto& [key, length] : {std::pair{raw, 11.0}, std::pair{question, 22.0}}) {
        w.Toolbar1_ButtonMenuClick("CDsr0", key);
        EXPECT_EQ(w.cPlay()->FileName(), key);
        EXPECT_EQ(control->FileName(), key);
        EXPECT_EQ(w.cPlay()->Length(), length);
        EXPECT_EQ(EncodeFileName(control->FileName()),
                  key == raw ? folder + "/\xE9.mpg" : folder + "/?.mpg");
    }
}

TEST_F(ForeignDiscTest, LimitsADeepDiscIsListedDownTo64FolderLevels) {
    // A clip at every level of a 100-level tree; the disc's top is level 0.
    QString folder = "deep";
    for (int level = 0; level < 100; ++level) {
        file(folder + QStringLiteral("/L%1.mpg").arg(level));
        folder += "/d";
    }
    drives.InsertDisc("sr0", dir.filePath("deep"), "DEEP");
    frmLumadeck& w = start();
    QList<int> levels;
    for (const DriveMenuItem& item : listedFiles(w, "CDsr0")) {
        const QString name = item.key.mid(item.key.lastIndexOf('/') + 1); // "L<level>.mpg"
        levels << name.mid(1, name.size() - 5).toInt();
    }
    ASSERT_EQ(levels.size(), 65);
    EXPECT_EQ(*std::max_element(levels.begin(), levels.end()), 64);
}

TEST_F(ForeignDiscTest, LimitsEachDriveListsAtMostSoManyVideoFiles) {
    Environment().maxVideoFilesPerDrive = 25; // the program's is 50,000
    for (int i = 0; i < 40; ++i) {
        file(QStringLiteral("many/%1.mpg").arg(100 + i));
        file(QStringLiteral("many/%1.txt").arg(100 + i)); // not counted
    }
    for (int i = 0; i < 10; ++i) {
        file(QStringLiteral("few/%1.mpg").arg(100 + i));
    }
    drives.InsertDisc("sr0", dir.filePath("many"), "MANY");
    drives.InsertDisc("sr1", dir.filePath("few"), "FEW");
    frmLumadeck& w = start();
    const QList<DriveMenuItem> many = listedFiles(w, "CDsr0");
    ASSERT_EQ(many.size(), 25);
    EXPECT_EQ(many.last().key, dir.filePath("many/124.mpg"));
    EXPECT_EQ(driveMenu(w, 0)->actions().size(), 3 + 25);
    EXPECT_EQ(listedFiles(w, "CDsr1").size(), 10); // the next drive is scanned all the same
    EXPECT_EQ(label(w, "status")->text(), "Drive sr0: only the first 25 video files are listed");

    // A disc inserted later is held to the same bound.
    Environment().maxVideoFilesPerDrive = 5;
    drives.RemoveDisc("sr1");
    w.RemoveCD("sr1");
    drives.InsertDisc("sr1", dir.filePath("few"), "FEW");
    w.AddCD("sr1");
    EXPECT_EQ(listedFiles(w, "CDsr1").size(), 5);
    EXPECT_EQ(label(w, "status")->text(), "Drive sr1: only the first 5 video files are listed");
    EXPECT_FALSE(w.IsSearching());
}
