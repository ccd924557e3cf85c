// The video player on GStreamer: a name not in UTF-8.
#include "GstTestSupport.h"
#include "platform/FileNames.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

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
