// The video player on GStreamer: files to Done, a broken one's error box, names not in UTF-8.
#include "GstTestSupport.h"
#include "platform/FileNames.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Each next file starts inside Done, and opens after the one before is reported stopped.
TEST(RealPlayer, ClipsPlayFromTheirStartPositionsToDoneAndABrokenOneIsReportedOnce) {
    REQUIRE_MEDIA("clip.avi");
    REQUIRE_MEDIA("broken_random.mpg");
    RealPlayer p;
    const QString broken = mediaPath("broken_random.mpg");
    QObject::connect(&p.player, &clsPlayVideo::Done, [&](const QString& f) {
        if (f.endsWith("clip.avi")) {
            p.player.PlayVideo(mediaPath("clip.mp3"), 2.5);
        } else if (f.endsWith("clip.mp3")) {
            EXPECT_EQ(p.window.windowTitle(), "Lumadeck Player: clip.mp3");
            EXPECT_EQ(p.player.LengthAsString(), "0:03");
            p.player.PlayVideo(broken, 0);
        }
    });
    p.player.PlayVideo(mediaPath("clip.avi"), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done broken_random.mpg"); }, 20000)) << p.str();
    EXPECT_EQ(p.events,
              QStringList({"PositionChanged 0:02 0:03", "Started clip.avi", "Done clip.avi",
                           "Stopped clip.avi", "PositionChanged 0:03 0:03", "Started clip.mp3",
                           "Done clip.mp3", "Stopped clip.mp3", p.events.value(8),
                           "Done broken_random.mpg"}));
    EXPECT_TRUE(p.events.value(8).startsWith("ErrorMsg ")) << p.str();
    ASSERT_EQ(p.dialogs.boxes.size(), 1);
    EXPECT_EQ(p.dialogs.boxes[0].title, "MS Media Player Error");
    EXPECT_TRUE(
        p.dialogs.boxes[0].text.startsWith("There was an error playing the file: " + broken));
    EXPECT_TRUE(p.dialogs.boxes[0].text.contains("Either the file may be corrupt"));
    EXPECT_EQ(p.window.cursor().shape(), Qt::ArrowCursor);
    // The control was fitted into the window (at least 300 pixels each way).
    EXPECT_GE(p.control->width(), 300);
    EXPECT_GE(p.control->height(), 300);
}

// Copies a clip to a file whose name is given as bytes.
bool copyTo(const QString& from, const QByteArray& to) {
    QFile in(from);
    const int fd = ::open(to.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
    if (!in.open(QIODevice::ReadOnly) || fd < 0) {
        return false;
    }
    const QByteArray data = in.readAll();
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    ::close(fd);
    return ok;
}

// Sound under a Latin-1 name, a picture under the "?" Qt's encoding makes of it: each plays.
TEST(RealPlayer, ANameThatIsNotUtf8PlaysItsOwnFileNotTheQuestionMark) {
    REQUIRE_MEDIA("clip.mp2");
    QTemporaryDir dir;
    const QByteArray folder = EncodeFileName(dir.path());
    const QByteArray latin1 = folder + "/caf\xE9.mpg";
    const QByteArray question = folder + "/caf?.mpg";
    ASSERT_TRUE(copyTo(mediaPath("clip.mp2"), latin1));
    ASSERT_TRUE(copyTo(mediaPath("clip.mpg"), question));
    struct Cleanup {
        QByteArray path;
        ~Cleanup() { ::unlink(path.constData()); }
    } cleanup{latin1};

    for (const auto& [bytes, width] : {std::pair{latin1, 0}, {question, 320}}) {
        SCOPED_TRACE(bytes.toStdString());
        RealPlayer p;
        const QString name = DecodeFileName(bytes);
        p.player.PlayVideo(name, 0);
        ASSERT_TRUE(waitForState(*p.control, PlayStateCode::Playing))
            << p.str() << p.control->ErrorDescription().toStdString();
        EXPECT_EQ(p.control->FileName(), name);
        EXPECT_EQ(p.control->ImageSourceWidth(), width);
        // For sound only the length comes from the size of this very file.
        EXPECT_NEAR(p.control->Duration(), 3.0, 0.3);
        EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    }
}

} // namespace
