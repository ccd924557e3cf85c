// The video sink picked for what the machine says about OpenGL and Xv.
#include "player/VideoSinkChoice.h"

#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

struct Case {
    const char* forced;
    bool glWorks;
    const char* renderer;
    bool xvPorts;
    const char* sink;
};

TEST(VideoSinkChoice, FollowsTheRendererAndTheXvPorts) {
    const Case cases[] = {
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
    for (const Case& c : cases) {
        const VideoSinkFacts facts{QString::fromLatin1(c.forced), c.glWorks,
                                   QString::fromLatin1(c.renderer), c.xvPorts};
        EXPECT_EQ(ChooseVideoSink(facts).toStdString(), c.sink)
            << "forced '" << c.forced << "', gl " << c.glWorks << " '" << c.renderer << "', xv "
            << c.xvPorts;
    }
}

TEST(VideoSinkChoice, OnlySinksThatDrawFramesAsTheyComeAreGivenScaling) {
    EXPECT_TRUE(SinkNeedsScaling(QStringLiteral("ximagesink")));
    for (const char* name : {"glimagesink", "xvimagesink", "fakevideosink", "waylandsink", ""}) {
        EXPECT_FALSE(SinkNeedsScaling(QString::fromLatin1(name))) << name;
    }
}

} // namespace
