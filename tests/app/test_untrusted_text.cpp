// Text from files, tags, discs and playlists shown as text: a name, a tag
// title, a playlist line and an error text that look like markup go through
// the status panels, the compact window's labels, a real message box and
// the menus, and each shows its characters as they are.
#include "MainWindowFixture.h"
#include "platform/QtDialogs.h"
#include "skin/frmThinPlayer.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <sys/resource.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Rendered as markup, the image reads /dev/zero until memory runs out.
const QString kMarkup = QStringLiteral(R"(<b>x</b><img src="/dev/zero">)");
// The tags of the clip that made whole panels vanish from the status bar.
const QString kTitle = QStringLiteral(R"(<h1>BIG</h1><a href="file:///etc">x</a>)");
const QString kComment = QStringLiteral(R"(<img src="/dev/zero" width="4000">)");

// What a label shows: its characters, or what its markup renders to.
QString shown(const QLabel* label) {
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich) {
        return label->text();
    }
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

void expectLiteral(const QLabel* label, const QString& text) {
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(shown(label), text);
    // Laid out as its characters, which is wider than any rendering of the
    // markup in them.
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(text));
}

// What a menu item shows: "&&" is one "&", a lone "&" marks the shortcut.
QString shownMenuText(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        out += text[i];
    }
    return out;
}

} // namespace

class UntrustedTextTest : public MainWindowTest {
protected:
    static void SetUpTestSuite() {
#if !defined(__SANITIZE_ADDRESS__)
        // A label that renders the markup reads /dev/zero without end: with
        // a bound on memory that fails here instead of filling the machine.
        const rlimit limit{rlim_t(2) << 30, rlim_t(2) << 30};
        setrlimit(RLIMIT_AS, &limit);
#endif
    }

    frmLumadeck& startShown() {
        frmLumadeck& w = start();
        w.show();
        QCoreApplication::processEvents();
        return w;
    }
};

TEST_F(UntrustedTextTest, StatusPanelsShowNamesTagsPlaylistLinesAndErrorsAsText) {
    frmLumadeck& w = startShown();
    clsPlayList& pl = *w.cPlayList();

    // A tag title and comment.
    const QString tagged = clip("tagged.wmv", kTitle, kComment);
    pl.PlayVideo(tagged);
    expectLiteral(label(w, "status"), kTitle + " - " + kComment);
    // All three panels stay in the status bar, side by side.
    for (QLabel* panel : {label(w, "playstatus"), label(w, "status"), label(w, "playlist")}) {
        EXPECT_TRUE(panel->isVisible()) << panel->objectName().toStdString();
        EXPECT_GT(panel->width(), 0);
        EXPECT_TRUE(named<QStatusBar>(w, "StatusBar1")->rect().contains(panel->geometry()))
            << panel->objectName().toStdString();
    }
    EXPECT_EQ(shown(label(w, "playstatus")), "Playing");
    EXPECT_EQ(shown(label(w, "playlist")), "Playlist (Click Here)");

    // A file name: the folders of this path spell out the markup.
    const QString missing = dir.filePath(kMarkup + ".mpg");
    pl.PlayVideo(missing);
    expectLiteral(label(w, "status"), "Not Found: " + missing);

    // A playlist line.
    const QString list = dir.filePath("list.m3u");
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kMarkup.toUtf8() + "\r\n");
    }
    ASSERT_TRUE(pl.LoadPlayList(list));
    expectLiteral(label(w, "status"), "Not Found: " + kMarkup);

    // The engine's error text.
    const QString broken = file("broken.mpg");
    SimulatedMedia media;
    media.failWhileOpening = true;
    media.errorCode = 5;
    media.errorDescription = kMarkup;
    control->Script(broken, media);
    pl.PlayVideo(broken);
    EXPECT_TRUE(label(w, "status")->text().contains(kMarkup))
        << label(w, "status")->text().toStdString();
    expectLiteral(label(w, "status"), label(w, "status")->text());
}

TEST_F(UntrustedTextTest, CompactLabelsShowTheFileNameAsText) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    const QString name = QStringLiteral(R"(<h1>x<img src="zero">.mpg)"); // no "/" in a name
    w.cPlayList()->PlayVideo(clip(name));
    w.Timer1_Timer();
    frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded();
    ASSERT_NE(thin, nullptr);
    expectLiteral(label(*thin, "lblCurrFile"), name);
    EXPECT_EQ(shown(label(*thin, "lblPosition")), "0:00/1:00");
}

TEST_F(UntrustedTextTest, RealMessageBoxShowsTheErrorAsText) {
    QtDialogs real;
    real.setUseQtDialogs(true);
    Services::setDialogs(&real);
    frmLumadeck& w = startShown();

    // A real file whose path holds the markup, which the engine refuses.
    const QString path = file(kMarkup + ".mpg");
    SimulatedMedia media;
    media.failWhileOpening = true;
    media.errorCode = 5;
    media.errorDescription = "Cannot read <i>it</i>";
    control->Script(path, media);

    // Answers every box that comes up, noting what it showed.
    struct Seen {
        QString text;
        QString labelShows;
        Qt::TextFormat format;
    };
    QList<Seen> seen;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        seen.append({box->text(), label ? shown(label) : QString(), box->textFormat()});
        box->done(QMessageBox::Ok);
    });
    answer.start();
    w.cPlayList()->PlayVideo(path);
    answer.stop();

    ASSERT_FALSE(seen.isEmpty());
    const Seen& box = seen.first();
    EXPECT_TRUE(box.text.contains(path)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("Cannot read <i>it</i>"));
    EXPECT_EQ(box.format, Qt::PlainText);
    EXPECT_EQ(box.labelShows, box.text);
    Services::setDialogs(&dialogs);
}

TEST_F(UntrustedTextTest, MenuItemsShowAmpersandsAndDropControlCharacters) {
    // A disc whose file and label carry shortcut marks, a tab and markup.
    const QString disc = dir.filePath("disc");
    file("disc/Tom & Jerry\t<b>x<b>.mpg", 2048);
    drives.InsertDisc("sr0", disc, "R&B\tHITS");
    frmLumadeck& w = start();

    EXPECT_EQ(shownMenuText(driveMenu(w, 0)->title()), "sr0: (R&BHITS)");
    EXPECT_TRUE(QKeySequence::mnemonic(driveMenu(w, 0)->title()).isEmpty());
    const QStringList items = texts(driveMenu(w, 0)->actions(), true);
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(shownMenuText(items[3]), "Tom & Jerry<b>x<b>.mpg (2 KB)");
    EXPECT_TRUE(QKeySequence::mnemonic(items[3]).isEmpty());
    const auto* button = named<QToolButton>(w, "CDsr0");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(texts(button->menu()->actions()).value(3), items[3]);

    // The status bar's playlist popup lists the entries by their names.
    clsPlayList& pl = *w.cPlayList();
    pl.Add(clip("&Play\tnow.mpg"), true);
    pl.Add(clip(QStringLiteral(R"(<b>x<img src="zero">.mpg)")), true);
    w.RebuildPopupPlaylist();
    const QStringList popup = texts(menu(w, "mnuPopup")->actions());
    ASSERT_EQ(popup.size(), 3);
    EXPECT_EQ(shownMenuText(popup[1]), "&Playnow.mpg");
    EXPECT_TRUE(QKeySequence::mnemonic(popup[1]).isEmpty());
    EXPECT_EQ(shownMenuText(popup[2]), R"(<b>x<img src="zero">.mpg)");
}

TEST_F(UntrustedTextTest, CaptionsShowTheModifiedMarkOfANameAsText) {
    frmLumadeck& w = startShown();
    const QString name = clip("clip[*].mpg");
    w.cPlayList()->PlayVideo(name);
    QCoreApplication::processEvents();
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. clip[*].mpg");
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. clip[*].mpg (Paused)");
}
