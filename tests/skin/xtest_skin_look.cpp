// The skinned pieces on a real X server, laid out as the program's windows
// lay them out: the compact bar, the playlist window and a rounded codec
// window, once with the program's artwork and once with none. Screenshots
// go to build/screenshots; the checks read colours back from them.
#include "platform/DataFiles.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/clsGuiFuncs.h"

#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

QImage screenshot(const QString& name) {
    const QString dir = QString(LUMADECK_BUILD_DIR) + "/screenshots";
    QDir().mkpath(dir);
    const QString path = dir + "/" + name;
    QProcess::execute("import", {"-window", "root", path});
    return QImage(path);
}

QLabel* text(QWidget* parent, const QString& caption, const QRect& geometry, const QColor& colour,
             qreal points, bool bold = false) {
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    QFont font = LabelButtons::ButtonFont();
    font.setPointSizeF(points);
    font.setBold(bold);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

struct Compact : QWidget {
    LabelButtonArray lblButtons{this};
    Compact() : QWidget(nullptr, Qt::FramelessWindowHint) {
        setWindowTitle("Lumadeck Player Ver2.0");
        setGeometry(20, 20, 458, 32);
        new SkinImage(SkinArt::CompactBar, QRect(0, 0, 461, 32), this);
        new SkinImage(SkinArt::ProgramIcon, QRect(6, 4, 31, 27), this);
        const char* captions[] = {"File", "Options", "View", "Playlist", "Help"};
        const QRect places[] = {{66, 5, 37, 17},
                                {103, 5, 51, 17},
                                {156, 5, 38, 17},
                                {205, 5, 44, 17},
                                {251, 5, 44, 17}};
        for (int i = 0; i < 5; ++i) {
            lblButtons.Add(captions[i], places[i], LabelButton::CompactInitialColour());
        }
        text(this, "Track01.dat", QRect(291, 6, 86, 9), QColor(255, 255, 128), 6.75);
        text(this, "01:23/45:06", QRect(291, 16, 86, 9), QColor(255, 255, 128), 6.75);
        new SkinImage(SkinArt::ShowVideo, QRect(402, 6, 22, 18), this);
        SkinButtonCtl::MakeMinimise(this, 425, 5);
        SkinButtonCtl::MakeClose(this, 440, 4);
        clsGuiFuncs().SetWindowShape(this, 3);
    }
};

struct Playlist : QWidget {
    LabelButtonArray lblButtons{this};
    Playlist() : QWidget(nullptr, Qt::FramelessWindowHint) {
        setWindowTitle("Lumadeck Play List");
        setGeometry(20, 52, 458, 224);
        new SkinImage(SkinArt::PlaylistLeft, QRect(0, -1, 101, 226), this);
        new SkinImage(SkinArt::PlaylistRight, QRect(100, -1, 360, 226), this);
        auto* list = new QListWidget(this);
        list->setGeometry(108, 21, 330, 171);
        list->addItems({"AVSEQ01.DAT", "AVSEQ02.DAT", "holiday.mpg", "song.mp3"});
        list->setCurrentRow(1);
        text(this, "Playlist", QRect(13, 20, 84, 17), Qt::white, 9.75, true);
        text(this, "Add Files", QRect(13, 85, 79, 16), Qt::white, 9.75, true);
        const struct {
            const char* caption;
            QRect place;
        } buttons[] = {{"Clear", {14, 68, 70, 17}},   {"Open", {14, 34, 70, 18}},
                       {"Save", {14, 51, 70, 18}},    {"From CD", {14, 120, 70, 17}},
                       {"Browse", {14, 102, 70, 18}}, {"Remove", {14, 137, 70, 18}},
                       {"Play", {137, 194, 44, 18}},  {"Pause", {198, 194, 44, 18}},
                       {"Stop", {258, 194, 44, 18}},  {"Next", {380, 194, 44, 18}},
                       {"Prev", {319, 194, 44, 18}}};
        for (const auto& b : buttons) {
            lblButtons.Add(b.caption, b.place);
        }
        lblButtons[7]->setEnabled(false);
        SkinButtonCtl::MakeMinimise(this, 426, 4);
        SkinButtonCtl::MakeClose(this, 441, 4);
    }
};

struct Codecs : QWidget {
    Codecs() : QWidget(nullptr, Qt::FramelessWindowHint) {
        setWindowTitle("List of installed Codecs");
        setGeometry(500, 20, 360, 200);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(74, 24, 38));
        setPalette(p);
        new SkinImage(SkinArt::TitleStrip, QRect(0, 0, 360, 22), this);
        text(this, "List of all Codecs In this clip", QRect(10, 2, 300, 18),
             LabelButton::NormalColour(), 9);
        auto* list = new QListWidget(this);
        list->setGeometry(10, 30, 340, 160);
        list->addItems({"MPEG-1 Video (avdec_mpeg1video)    Installed",
                        "MPEG-1 Layer 2 (avdec_mp2float)    Installed"});
        SkinButtonCtl::MakeMinimise(this, 322, 3);
        SkinButtonCtl::MakeClose(this, 339, 3);
        clsGuiFuncs().SetWindowShape(this, 1);
    }
};

void showAll(std::initializer_list<QWidget*> windows) {
    for (QWidget* w : windows) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    QTest::qWait(300);
}

} // namespace

TEST(SkinLook, WithTheProgramsArtwork) {
    DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data");
    Compact compact;
    Playlist playlist;
    Codecs codecs;
    showAll({&compact, &playlist, &codecs});
    // Pointer over "Options" of the bar and "Play" of the playlist, which is
    // held down: the one in red, the other sunken.
    QTest::mouseMove(compact.lblButtons[1], QPoint(10, 8));
    QTest::mousePress(playlist.lblButtons[6], Qt::LeftButton, {}, QPoint(10, 8));
    QTest::qWait(200);
    const QImage shot = screenshot("skin-artwork.png");
    QTest::mouseRelease(playlist.lblButtons[6], Qt::LeftButton, {}, QPoint(10, 8));
    DataFiles::SetFolder("");
    ASSERT_FALSE(shot.isNull());

    // The bar's display well is dark, its body maroon; the codec window's
    // rounded corner shows the root window behind (black under Xvfb).
    const QColor display(shot.pixel(compact.mapToGlobal(QPoint(295, 12))));
    EXPECT_LT(display.value(), 60);
    const QColor body(shot.pixel(compact.mapToGlobal(QPoint(60, 28))));
    EXPECT_GT(body.red(), body.blue());
    EXPECT_EQ(QColor(shot.pixel(codecs.mapToGlobal(QPoint(0, 0)))), QColor(Qt::black));
    EXPECT_NE(QColor(shot.pixel(codecs.mapToGlobal(QPoint(10, 10)))), QColor(Qt::black));
    EXPECT_EQ(compact.lblButtons[1]->ForeColour(), LabelButton::HoverColour());
}

TEST(SkinLook, WithoutArtworkThePiecesArePlainAndWork) {
    QTemporaryDir empty;
    DataFiles::SetFolder(empty.path());
    Compact compact;
    Playlist playlist;
    showAll({&compact, &playlist});
    const QImage shot = screenshot("skin-no-artwork.png");
    DataFiles::SetFolder("");
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(QColor(shot.pixel(compact.mapToGlobal(QPoint(60, 28)))), SkinArt::FallbackColour());
    EXPECT_EQ(QColor(shot.pixel(playlist.mapToGlobal(QPoint(50, 180)))), SkinArt::FallbackColour());
    int clicks = 0;
    QObject::connect(&playlist.lblButtons, &LabelButtonArray::clicked, [&](int) { ++clicks; });
    QTest::mouseClick(playlist.lblButtons[1], Qt::LeftButton, {}, QPoint(10, 8));
    EXPECT_EQ(clicks, 1);
}
