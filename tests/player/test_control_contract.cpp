// The notification order every control promises (see MediaControl), on the simulated
// control (delivering from the event loop, as the real one does) and the GStreamer one.
#include "GstTestSupport.h"
#include "testing/SimulatedMediaControl.h"

#include <QRegularExpression>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

constexpr double kClipSeconds = 3.0;
const char* const kFailing[] = {"no such file.mpg", "broken_empty.mpg", "broken_truncated.avi",
                                "broken_random.mpg", "broken_text.avi"};

// The simulated control, scripted like the clips on disk; its clip plays to its end when asked.
struct SimulatedEngine {
    SimulatedEngine() {
        control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
        control.DefaultMedia.duration = kClipSeconds;
        SimulatedMedia bad;
        bad.failWhileOpening = true;
        bad.errorCode = GstMediaControl::ErrorFormat;
        bad.errorDescription = QStringLiteral("Unrecognised or corrupt media format: x");
        for (const char* name : kFailing) {
            control.Script(Clip(name), bad);
        }
        bad.errorCode = GstMediaControl::ErrorResource;
        bad.errorDescription = QStringLiteral("Cannot read the file: not found");
        control.Script(Clip(kFailing[0]), bad);
    }
    static QString Clip(const QString& name) { return "/sim/" + name; }
    void PlayToEnd() { control.ReachEnd(); }
    SimulatedMediaControl control;
};

struct GStreamerEngine {
    static QString Clip(const QString& name) { return mediaPath(name); }
    void PlayToEnd() {} // it gets there by itself
    GstMediaControl control{nullptr, fakeSinks()};
};

template <typename Engine> struct ControlContract : ::testing::Test {
    void SetUp() override { REQUIRE_MEDIA("clip.wav"); }
    bool waitFor(const QString& event, int ms = 10000) {
        return QTest::qWaitFor([&] { return log.has(event); }, ms);
    }
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    MediaControl& c = engine->control;
    NotificationLog log{engine->control};
};
using Engines = ::testing::Types<SimulatedEngine, GStreamerEngine>;
TYPED_TEST_SUITE(ControlContract, Engines);

// At the open notification the clip is fully described; a paused clip holds
// still; a seek is reported inside the call that makes it; a stop is not the
// natural end, and playing after it starts again.
TYPED_TEST(ControlContract, OpenPauseSeekStopPlayAndEndInThatOrder) {
    MediaControl& c = this->c;
    const QString clip = TypeParam::Clip("clip.mpg");
    QStringList atOpen;
    QObject::connect(&c, &MediaControl::OpenStateChange, [&](auto, auto n) {
        if (n == OpenStateCode::Open) {
            atOpen << c.FileName() << QString::number(c.Duration() > 0)
                   << QString::number(CodeValue(c.PlayState()))
                   << QString::number(c.ImageSourceWidth());
        }
    });
    ASSERT_TRUE(c.Open(clip));
    ASSERT_TRUE(this->waitFor("play 0>2")) << this->log.str();
    EXPECT_EQ(atOpen, QStringList({clip, "1", "0", "320"}));
    EXPECT_EQ(c.ImageSourceHeight(), 240);

    ASSERT_TRUE(c.Pause());
    ASSERT_TRUE(this->waitFor("play 2>1")) << this->log.str();
    const double pausedAt = c.CurrentPosition();
    QTest::qWait(300);
    EXPECT_NEAR(c.CurrentPosition(), pausedAt, 0.05);
    ASSERT_TRUE(c.SetCurrentPosition(kClipSeconds / 2));
    EXPECT_TRUE(this->log.events.last().contains(QRegularExpression("^seek .*>1.5$")))
        << this->log.str();

    ASSERT_TRUE(c.Stop());
    ASSERT_TRUE(this->waitFor("play 1>0")) << this->log.str();
    EXPECT_NE(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_EQ(c.OpenState(), OpenStateCode::Open);
    ASSERT_TRUE(c.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return this->log.events.count("play 0>2") == 2; }, 10000))
        << this->log.str();
    EXPECT_LT(c.CurrentPosition(), 1.0);

    this->engine->PlayToEnd();
    ASSERT_TRUE(this->waitFor("play 2>0")) << this->log.str();
    // The natural end: the end-of-play position is the position.
    EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_NEAR(c.CurrentPosition(), kClipSeconds, 0.2);
    const QStringList seeks = this->log.events.filter("seek ");
    EXPECT_EQ(seeks.size(), 1);
    EXPECT_EQ(this->log.events, QStringList({"open 0>6", "play 0>2", "play 2>1", seeks.value(0),
                                             "play 1>0", "play 0>2", "play 2>0"}));
}

TYPED_TEST(ControlContract, OpenedWithoutStartingItWaitsPausedAtItsStart) {
    MediaControl& c = this->c;
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(TypeParam::Clip("clip.wav")));
    ASSERT_TRUE(this->waitFor("play 0>1")) << this->log.str();
    QTest::qWait(200);
    EXPECT_EQ(this->log.events, QStringList({"open 0>6", "play 0>1"}));
    EXPECT_LT(c.CurrentPosition(), 0.05);
}

// The closing notifications still give the old file and its position.
TYPED_TEST(ControlContract, OpeningAnotherFileClosesTheFirstWhileItIsStillDescribed) {
    MediaControl& c = this->c;
    ASSERT_TRUE(c.Open(TypeParam::Clip("clip.wav")));
    ASSERT_TRUE(this->waitFor("play 0>2")) << this->log.str();
    ASSERT_TRUE(c.SetCurrentPosition(1.0));
    QStringList seen;
    const auto now = [&] {
        return " " + QFileInfo(c.FileName()).fileName() +
               (c.CurrentPosition() >= 0.9 ? " kept" : " lost");
    };
    QObject::connect(&c, &MediaControl::PlayStateChange, [&](auto o, auto n) {
        seen << QStringLiteral("play %1>%2").arg(CodeValue(o)).arg(CodeValue(n)) + now();
    });
    QObject::connect(&c, &MediaControl::OpenStateChange, [&](auto o, auto n) {
        seen << QStringLiteral("open %1>%2").arg(CodeValue(o)).arg(CodeValue(n)) + now();
    });
    ASSERT_TRUE(c.Open(TypeParam::Clip("clip.mpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 4; }, 10000)) << this->log.str();
    EXPECT_EQ(seen, QStringList({"play 2>0 clip.wav kept", "open 6>0 clip.wav kept",
                                 "open 0>6 clip.mpg lost", "play 0>2 clip.mpg lost"}));
}

// Opening a missing file may be refused at once or fail later; either way
// it says why. A broken file is taken on and is exactly one format error.
TYPED_TEST(ControlContract, AMissingOrBrokenFileIsOneErrorAndNeverOpens) {
    MediaControl& c = this->c;
    for (const QString name : kFailing) {
        SCOPED_TRACE(name.toStdString());
        this->log.clear();
        const bool broken = name.startsWith("broken");
        const bool taken = c.Open(TypeParam::Clip(name));
        if (taken) {
            ASSERT_TRUE(this->waitFor("error", 20000)) << this->log.str();
        }
        QTest::qWait(200);
        EXPECT_EQ(this->log.events, taken || broken ? QStringList({"error"}) : QStringList());
        EXPECT_EQ(c.OpenState(), OpenStateCode::Closed);
        EXPECT_TRUE(c.ErrorCode() != 0 && !c.ErrorDescription().isEmpty());
        EXPECT_EQ(c.ErrorDescription().toLower().contains("format"), broken)
            << c.ErrorDescription().toStdString();
        EXPECT_FALSE(c.Play());
    }
}

} // namespace
