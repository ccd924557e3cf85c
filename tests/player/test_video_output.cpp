// Which video sink draws the picture, where in the control it goes for each
// display size, and the control's transport panel.
#include "player/TransportPanel.h"
#include "player/VideoRect.h"
#include "player/VideoSinkChoice.h"

#include <QLayout>
#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

TEST(VideoSinkChoice, FollowsTheRendererAndTheXvPorts) {
    const struct {
        const char* forced;
        bool glWorks;
        const char* renderer;
        bool xvPorts;
        const char* sink;
    } cases[] = {
        // OpenGL by a GPU: its sink, whether or not Xv is there.
        {"", true, "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false, "glimagesink"},
        {"", true, "NVIDIA GeForce GTX 1050/PCIe/SSE2", true, "glimagesink"},
        // A GPU driver built with LLVM is still a GPU.
        {"", true, "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)", false,
         "glimagesink"},
        // OpenGL on the CPU: Xv where the server has ports, else X images.
        {"", true, "llvmpipe (LLVM 15.0.6, 256 bits)", true, "xvimagesink"},
        {"", true, "llvmpipe (LLVM 15.0.6, 256 bits)", false, "ximagesink"},
        {"", true, "LLVMPIPE (LLVM 11.0.1, 128 bits)", false, "ximagesink"},
        {"", true, "softpipe", true, "xvimagesink"},
        {"", true, "Gallium 0.4 on softpipe", false, "ximagesink"},
        {"", true, "swrast", false, "ximagesink"},
        {"", true, "Software Rasterizer", true, "xvimagesink"},
        // No OpenGL, or no renderer to judge by.
        {"", false, "", true, "xvimagesink"},
        {"", false, "", false, "ximagesink"},
        {"", false, "Mesa Intel(R) HD Graphics", false, "ximagesink"},
        {"", true, "", false, "ximagesink"},
        {"", true, "   ", true, "xvimagesink"},
        // A forced sink wins over everything; blanks force nothing.
        {"ximagesink", true, "NVIDIA GeForce GTX 1050/PCIe/SSE2", true, "ximagesink"},
        {"glimagesink", true, "llvmpipe (LLVM 15.0.6, 256 bits)", false, "glimagesink"},
        {" xvimagesink ", false, "", false, "xvimagesink"},
        {"  ", true, "llvmpipe (LLVM 15.0.6, 256 bits)", false, "ximagesink"},
    };
    for (const auto& c : cases) {
        const VideoSinkFacts facts{QString::fromLatin1(c.forced), c.glWorks,
                                   QString::fromLatin1(c.renderer), c.xvPorts};
        EXPECT_EQ(ChooseVideoSink(facts).toStdString(), c.sink)
            << "forced '" << c.forced << "', gl " << c.glWorks << " '" << c.renderer << "', xv "
            << c.xvPorts;
    }
}

struct DisplayCase {
    bool glx, dri3, dri2, vendorGlx;
    const char* alwaysSoftware;
    const char* galliumDriver;
    DisplayGl judged;
};

TEST(VideoSinkChoice, TheDisplayTellsMissingAndSoftwareOpenGlWithoutAContext) {
    const DisplayCase cases[] = {
        // No GLX: no OpenGL at all, whatever else is there.
        {false, true, true, false, "", "", DisplayGl::Missing},
        {false, false, false, false, "1", "llvmpipe", DisplayGl::Missing},
        // GLX without direct rendering: a virtual framebuffer or a remote
        // server drawing GLX in software.
        {true, false, false, false, "", "", DisplayGl::Software},
        // Direct rendering: only the renderer can tell a GPU from llvmpipe.
        {true, true, false, false, "", "", DisplayGl::Unknown},
        {true, false, true, false, "", "", DisplayGl::Unknown},
        {true, false, false, true, "", "", DisplayGl::Unknown},
        // Mesa told to draw in software, in its words for yes.
        {true, true, true, false, "1", "", DisplayGl::Software},
        {true, true, false, false, "true", "", DisplayGl::Software},
        {true, true, false, false, " YES ", "", DisplayGl::Software},
        {true, true, false, false, "y", "", DisplayGl::Software},
        {true, true, false, false, "0", "", DisplayGl::Unknown},
        {true, true, false, false, "false", "", DisplayGl::Unknown},
        {true, true, false, false, "maybe", "", DisplayGl::Unknown},
        // A software Gallium driver asked for by name; a GPU one is not.
        {true, true, false, false, "", "llvmpipe", DisplayGl::Software},
        {true, true, false, false, "", "Softpipe", DisplayGl::Software},
        {true, true, false, false, "", "swr", DisplayGl::Software},
        {true, true, false, false, "", "radeonsi", DisplayGl::Unknown},
        {true, true, false, false, "", "zink", DisplayGl::Unknown},
    };
    for (const DisplayCase& c : cases) {
        DisplayGlFacts facts;
        facts.glx = c.glx;
        facts.dri3 = c.dri3;
        facts.dri2 = c.dri2;
        facts.vendorGlx = c.vendorGlx;
        facts.alwaysSoftware = QString::fromLatin1(c.alwaysSoftware);
        facts.galliumDriver = QString::fromLatin1(c.galliumDriver);
        EXPECT_EQ(JudgeDisplayGl(facts), c.judged)
            << "glx " << c.glx << " dri3 " << c.dri3 << " dri2 " << c.dri2 << " vendor "
            << c.vendorGlx << " LIBGL_ALWAYS_SOFTWARE '" << c.alwaysSoftware << "' GALLIUM_DRIVER '"
            << c.galliumDriver << "'";
    }
}

TEST(VideoSinkChoice, OnlySinksThatDrawFramesAsTheyComeAreGivenScaling) {
    EXPECT_TRUE(SinkNeedsScaling(QStringLiteral("ximagesink")));
    for (const char* name : {"glimagesink", "xvimagesink", "fakevideosink", "waylandsink", ""}) {
        EXPECT_FALSE(SinkNeedsScaling(QString::fromLatin1(name))) << name;
    }
}

TEST(VideoRect, EachDisplaySizeScalesKeepsTheShapeAndCentres) {
    const QSize screen(1600, 1200);
    const QRect area(0, 0, 800, 600);
    const QSize source(320, 240);
    const struct {
        DisplaySizeCode size;
        QRect area;
        QSize source;
        QRect expected;
    } cases[] = {
        {DisplaySizeCode::Default, area, source, QRect(240, 180, 320, 240)},
        {DisplaySizeCode::Half, area, source, QRect(320, 240, 160, 120)},
        {DisplaySizeCode::Double, area, source, QRect(80, 60, 640, 480)},
        {DisplaySizeCode::FullScreen, area, source, QRect(0, 0, 800, 600)},
        {DisplaySizeCode::FitToWindow, area, source, QRect(0, 0, 800, 600)},
        {DisplaySizeCode::OneSixteenthScreen, area, source, QRect(350, 262, 100, 75)},
        {DisplaySizeCode::OneFourthScreen, area, source, QRect(200, 150, 400, 300)},
        {DisplaySizeCode::OneHalfScreen, area, source, QRect(0, 0, 800, 600)},
        // Never larger than the area, and the picture's shape is kept.
        {DisplaySizeCode::Double, QRect(0, 0, 400, 400), source, QRect(0, 50, 400, 300)},
        {DisplaySizeCode::FitToWindow, QRect(10, 20, 800, 300), source, QRect(210, 20, 400, 300)},
        // No picture, or nowhere to put it: the whole area.
        {DisplaySizeCode::Default, area, QSize(0, 0), area},
        {DisplaySizeCode::Default, QRect(0, 0, 0, 0), source, QRect(0, 0, 0, 0)},
        // A sliver of an area still gets a picture of at least one pixel.
        {DisplaySizeCode::FitToWindow, QRect(0, 0, 1, 600), source, QRect(0, 299, 1, 1)},
        // An unknown size shows the picture at its own size.
        {DisplaySizeCode(42), area, source, QRect(240, 180, 320, 240)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VideoRect(c.area, c.source, c.size, screen), c.expected)
            << "display size " << CodeValue(c.size) << ", area " << c.area.width() << "x"
            << c.area.height();
    }
}

} // namespace

TEST(TransportPanel, EveryControlHasAPlaceOfItsOwnAndTheVolumeSliderAsks) {
    TransportPanel panel;
    panel.resize(640, 30);
    panel.show();
    panel.layout()->activate();
    const QList<QWidget*> controls = panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 7); // play, pause, stop, the seek bar, the time, mute, the volume
    for (QWidget* a : controls) {
        EXPECT_TRUE(panel.rect().contains(a->geometry())) << a->toolTip().toStdString();
        for (QWidget* b : controls) {
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->toolTip().toStdString() << " over " << b->toolTip().toStdString();
        }
    }
    QSlider* volume = nullptr;
    for (QSlider* s : panel.findChildren<QSlider*>()) {
        volume = s->maximum() == 100 ? s : volume;
    }
    ASSERT_NE(volume, nullptr);
    QSignalSpy asked(&panel, &TransportPanel::VolumeRequested);
    volume->setValue(30);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0][0].toInt(), 30);
}
