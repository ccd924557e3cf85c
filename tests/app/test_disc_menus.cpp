// The Audio Channel and Chapters submenus. The stereo channel kept per disc:
// chosen from the menu for a file on one disc, restored after a restart for
// every file of that disc, apart for another disc and for files on no disc
// (kept by folder). Chapters: one item per entry point of a Video CD track.
#include "app/AudioChannels.h"
#include "app/ChapterMenu.h"
#include "app/SavedPositions.h"
#include "platform/cRegistry.h"
#include "testing/SimulatedMediaControl.h"

#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

struct ChannelControl : SimulatedMediaControl {
    AudioChannelCode AudioChannel() const override { return channel; }
    bool SetAudioChannel(AudioChannelCode c) override {
        channel = c;
        return true;
    }
    QList<double> Chapters() const override { return chapters; }
    void SetChapters(const QList<double>& starts) override { chapters = starts; }
    AudioChannelCode channel = AudioChannelCode::Stereo;
    QList<double> chapters;
};

QStringList items(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) {
        out << a->text() + (a->isChecked() ? "*" : "");
    }
    return out;
}

QString checkedItem(const QMenu& menu) {
    for (const QAction* a : menu.actions()) {
        if (a->isChecked()) {
            return a->text();
        }
    }
    return {};
}

} // namespace

TEST(AudioChannels, ChoiceIsKeptPerDiscLabelOrFolderAndRestoredAfterARestart) {
    const QString media = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/");
    if (!QFileInfo::exists(media + "two.cue")) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    QTemporaryDir dir;
    const QString file = dir.path() + "/registry.sqlite";
    const QString one = media + "one.cue/MPEGAV/AVSEQ01.DAT";
    const QString oneBin = media + "one.bin/MPEGAV/AVSEQ01.DAT"; // the same disc
    const QString two = media + "two.cue/MPEGAV/AVSEQ02.DAT";
    const QString clipA = dir.path() + "/songs/a.mpg";
    const QString clipB = dir.path() + "/songs/b.mpg";
    const QString elsewhere = dir.path() + "/films/c.mpg";
    EXPECT_EQ(g::ChannelDiscName(one), "VCD_ONE");
    EXPECT_EQ(g::ChannelDiscName(clipA), dir.path() + "/songs");

    // First run: Left for disc one, Right for the songs folder.
    {
        cRegistry reg(file);
        g::SetPositionRegistry(&reg);
        QMenu options;
        ChannelControl control;
        control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
        AudioChannelMenu menu(&options, &control);
        EXPECT_EQ(menu.Menu()->title(), "Audio Channel");
        EXPECT_EQ(checkedItem(*menu.Menu()), "Stereo");
        control.Open(one);
        menu.Menu()->actions().at(1)->trigger();
        EXPECT_EQ(control.channel, AudioChannelCode::Left);
        control.Open(clipA);
        EXPECT_EQ(control.channel, AudioChannelCode::Stereo); // nothing kept for the folder yet
        menu.Choose(AudioChannelCode::Right);
        g::SetPositionRegistry(nullptr);
    }
    // A restart: every file of each place gets its choice back.
    cRegistry reg(file);
    g::SetPositionRegistry(&reg);
    QMenu options;
    ChannelControl control;
    control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
    AudioChannelMenu menu(&options, &control);
    const struct {
        QString name;
        AudioChannelCode channel;
        const char* item;
    } rows[] = {
        {oneBin, AudioChannelCode::Left, "Left Channel"},
        {two, AudioChannelCode::Stereo, "Stereo"},
        {clipB, AudioChannelCode::Right, "Right Channel"},
        {elsewhere, AudioChannelCode::Stereo, "Stereo"},
        {one, AudioChannelCode::Left, "Left Channel"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        control.Open(row.name);
        EXPECT_EQ(control.channel, row.channel);
        EXPECT_EQ(checkedItem(*menu.Menu()), row.item);
    }
    // Stereo again forgets the choice.
    menu.Choose(AudioChannelCode::Stereo);
    EXPECT_EQ(g::StoredAudioChannel(oneBin), AudioChannelCode::Stereo);
    g::SetPositionRegistry(nullptr);
}

TEST(ChapterMenu, ListsTheEntriesOfAVideoCdTrackAndIsDisabledForOtherFiles) {
    const QString media = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/");
    if (!QFileInfo::exists(media + "chapters.cue")) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    QMenu view;
    ChannelControl control;
    control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
    ChapterMenu chapters(&view, &control);
    EXPECT_EQ(chapters.Menu()->title(), "Chapters");
    EXPECT_FALSE(chapters.Menu()->isEnabled());
    const auto open = [&](const QString& name) {
        QSignalSpy loaded(&chapters, &ChapterMenu::Loaded);
        control.Open(name);
        return loaded.wait(5000);
    };
    // Four entries at 0.48, 1.68, 2.88 and 3.48 s on the track's clock.
    ASSERT_TRUE(open(media + "chapters.cue/MPEGAV/AVSEQ01.DAT"));
    EXPECT_TRUE(chapters.Menu()->isEnabled());
    control.SetCurrentPosition(2.0);
    emit chapters.Menu()->aboutToShow();
    EXPECT_EQ(items(*chapters.Menu()), QStringList({"Chapter 1 (0:00)", "Chapter 2 (0:02)*",
                                                    "Chapter 3 (0:03)", "Chapter 4 (0:03)"}));
    chapters.Menu()->actions().at(2)->trigger();
    EXPECT_NEAR(control.CurrentPosition(), control.chapters[2], 0.001);
    // One entry, or no Video CD track: disabled.
    for (const QString& other : {media + "two.cue/MPEGAV/AVSEQ02.DAT", media + "karaoke.mpg"}) {
        ASSERT_TRUE(open(other));
        EXPECT_FALSE(chapters.Menu()->isEnabled()) << other.toStdString();
    }
}
