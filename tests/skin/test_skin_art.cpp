// The program's artwork as the windows load it: every skin picture there in
// its size and without transparency, the icon in every desktop size, and
// plain stand-ins (with one line on standard error) for pictures that are
// missing or unreadable.
#include "platform/DataFiles.h"
#include "skin/SkinArt.h"
#include "skin/SkinImage.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace lumadeck;

namespace {

// Standard error written while `run` runs.
template <class F> std::string captureStderr(F run) {
    std::fflush(stderr);
    char path[] = "/tmp/skin-art-stderr-XXXXXX";
    const int fd = mkstemp(path);
    const int saved = dup(2);
    dup2(fd, 2);
    run();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    if (FILE* f = std::fopen(path, "r")) {
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            text.append(buffer, n);
        }
        std::fclose(f);
    }
    close(fd);
    std::remove(path);
    return text;
}

int lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

struct DataFolder {
    explicit DataFolder(const QString& folder) { DataFiles::SetFolder(folder); }
    ~DataFolder() { DataFiles::SetFolder(""); }
};

} // namespace

TEST(SkinArt, EveryPictureInItsSize) {
    DataFolder data(LUMADECK_SOURCE_DIR "/data");
    const struct {
        const char* name;
        QSize size;
    } table[] = {
        {SkinArt::CompactBar, {404, 39}},     {SkinArt::PlaylistLeft, {126, 206}},
        {SkinArt::PlaylistRight, {305, 207}}, {SkinArt::TitleStrip, {360, 22}},
        {SkinArt::MinimiseUp, {16, 16}},      {SkinArt::MinimiseDown, {16, 16}},
        {SkinArt::MinimiseHover, {16, 16}},   {SkinArt::CloseUp, {16, 16}},
        {SkinArt::CloseDown, {16, 16}},       {SkinArt::CloseHover, {16, 16}},
        {SkinArt::ShowVideo, {22, 18}},       {SkinArt::ShowVideoHover, {22, 18}},
    };
    for (const auto& row : table) {
        const QImage image(DataFiles::Path(row.name));
        ASSERT_FALSE(image.isNull()) << row.name;
        EXPECT_EQ(image.size(), row.size) << row.name;
        EXPECT_FALSE(image.hasAlphaChannel()) << row.name << " is 24-bit";
        EXPECT_TRUE(SkinArt::Exists(row.name));
        // A drawing, not a flat placeholder.
        EXPECT_GT(image.convertToFormat(QImage::Format_Indexed8).colorCount(), 4) << row.name;
    }
    EXPECT_NE(QImage(DataFiles::Path(SkinArt::ShowVideo)),
              QImage(DataFiles::Path(SkinArt::ShowVideoHover)));
}

TEST(SkinArt, ProgramIconInEveryDesktopSize) {
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            QString(LUMADECK_SOURCE_DIR "/data/icons/hicolor/%1x%1/apps/lumadeck.png").arg(n);
        const QImage icon(path);
        ASSERT_FALSE(icon.isNull()) << n;
        EXPECT_EQ(icon.size(), QSize(n, n));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "rounded corners are see-through at " << n;
        EXPECT_EQ(qAlpha(icon.pixel(n / 2, n / 2)), 255) << n;
    }
    QFile svg(LUMADECK_SOURCE_DIR "/data/icons/hicolor/scalable/apps/lumadeck.svg");
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    EXPECT_EQ(QImage(LUMADECK_SOURCE_DIR "/data/lumadeck.png").size(), QSize(64, 64));
}

TEST(SkinArt, TheBuildCopiesTheFoldersBesideTheProgram) {
    EXPECT_TRUE(QFile::exists(LUMADECK_BUILD_DIR "/skin/compact.png"));
    EXPECT_TRUE(QFile::exists(LUMADECK_BUILD_DIR "/icons/hicolor/48x48/apps/lumadeck.png"));
    EXPECT_FALSE(QFile::exists(LUMADECK_BUILD_DIR "/artwork")); // the drawings stay behind
}

TEST(SkinArt, MissingOrUnreadablePicturesGivePlainColourAndOneLine) {
    QTemporaryDir folder;
    DataFolder data(folder.path());
    QDir(folder.path()).mkpath("skin");
    QFile broken(folder.filePath("skin/compact.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture at all");
    broken.close();

    for (const char* name : {"skin/compact.png", "skin/playlist-left.png"}) {
        QPixmap picture;
        const std::string err =
            captureStderr([&] { picture = SkinArt::Load(name, QSize(404, 39), Qt::darkRed); });
        EXPECT_EQ(picture.size(), QSize(404, 39)) << name;
        EXPECT_EQ(QColor(picture.toImage().pixel(200, 20)), QColor(Qt::darkRed)) << name;
        EXPECT_EQ(lines(err), 1) << err;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_FALSE(SkinArt::Exists(name));
        // Loading it again adds no line.
        EXPECT_EQ(captureStderr([&] { SkinArt::Load(name, QSize(4, 4)); }), "");
    }
    // A skin image on a missing picture is a plain, working control.
    SkinImage image("skin/nothing-here.png", QRect(0, 0, 30, 20), nullptr);
    ASSERT_NE(image.pixmap().toImage().isNull(), true);
    EXPECT_EQ(image.pixmap().size(), QSize(30, 20));
    QSignalSpy clicks(&image, &SkinImage::clicked);
    QSignalSpy presses(&image, &SkinImage::pressed);
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&image, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(presses.count(), 2);
}
