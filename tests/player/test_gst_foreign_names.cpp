// Real clips under names that are not UTF-8, beside a name that Qt's own
// encoding would turn the first into: each name plays its own file.
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
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray data = in.readAll();
    const int fd = ::open(to.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    ::close(fd);
    return ok;
}

} // namespace

TEST(GstForeignNames, ANameThatIsNotUtf8PlaysItsOwnFileNotTheQuestionMark) {
    REQUIRE_MEDIA("clip.mp2");
    REQUIRE_MEDIA("clip.mpg");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray folder = EncodeFileName(dir.path());
    // Sound only under the Latin-1 name, a picture under "?".
    const QByteArray latin1 = folder + "/caf\xE9.mpg";
    const QByteArray question = folder + "/caf?.mpg";
    ASSERT_TRUE(copyTo(mediaPath("clip.mp2"), latin1));
    ASSERT_TRUE(copyTo(mediaPath("clip.mpg"), question));
    struct Cleanup {
        QByteArray path;
        ~Cleanup() { ::unlink(path.constData()); }
    } cleanup{latin1};

    struct Case {
        QByteArray bytes;
        int width;
    };
    for (const Case& c : {Case{latin1, 0}, Case{question, 320}}) {
        RealPlayer p;
        const QString name = DecodeFileName(c.bytes);
        p.player.PlayVideo(name, 0);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return p.control->PlayState() == PlayStateCode::Playing; }, 10000))
            << p.events.join(", ").toStdString() << p.control->ErrorDescription().toStdString();
        EXPECT_EQ(p.control->FileName(), name);
        EXPECT_EQ(p.control->ImageSourceWidth(), c.width) << c.bytes.toStdString();
        // A length is known at once; for sound only it comes from the
        // size of this very file.
        EXPECT_NEAR(p.control->Duration(), 3.0, 0.3) << c.bytes.toStdString();
        EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    }
}
