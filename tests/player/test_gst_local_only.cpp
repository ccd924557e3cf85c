// A local file that is a streaming manifest naming pieces on a web server
// (here one on this machine that notes every visit) fails to open as a
// media format the program does not play, and the server is never asked.
#include "GstTestSupport.h"
#include "player/LocalOnly.h"

#include <QTemporaryDir>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// A listening socket on 127.0.0.1 that counts the connections made to it.
struct Server {
    Server() {
        sockaddr_in a{.sin_family = AF_INET,
                      .sin_port = 0,
                      .sin_addr = {htonl(INADDR_LOOPBACK)},
                      .sin_zero = {}};
        socklen_t length = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 16) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
            port = ntohs(a.sin_port);
        }
    }
    ~Server() { ::close(fd); }
    int Visits() {
        for (int c; (c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK)) >= 0; ++visits) {
            ::close(c);
        }
        return visits;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    int port = 0, visits = 0;
};

TEST(LocalOnly, ManifestsNamingTheNetworkFailWithoutReachingIt) {
    Server server;
    ASSERT_NE(server.port, 0);
    const QByteArray base = "http://127.0.0.1:" + QByteArray::number(server.port) + "/";
    const struct {
        const char* name;
        QByteArray text;
    } manifests[] = {
        {"live.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\n" + base +
                          "a.ts\n#EXTINF:2.0,\n" + base + "b.ts\n#EXT-X-ENDLIST\n"},
        {"master.mpg", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=100000\n" + base + "v.m3u8\n"},
        {"show.mpd",
         R"(<?xml version="1.0"?><MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static" )"
         R"(mediaPresentationDuration="PT4S" minBufferTime="PT1S" )"
         R"(profiles="urn:mpeg:dash:profile:isoff-on-demand:2011"><Period><AdaptationSet )"
         R"(mimeType="video/mp4"><Representation id="1" bandwidth="100000" codecs="avc1.42c00d" )"
         R"(width="320" height="240"><BaseURL>)" +
             base + "v.mp4</BaseURL></Representation></AdaptationSet></Period></MPD>\n"},
    };
    QTemporaryDir dir;
    for (const auto& m : manifests) {
        SCOPED_TRACE(m.name);
        QFile f(dir.filePath(m.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(m.text) == m.text.size());
        f.close();
        GstMediaControl c(nullptr, fakeSinks());
        NotificationLog log(c);
        c.Open(f.fileName());
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.has("error") || server.Visits() > 0; }, 15000))
            << log.str();
        QTest::qWait(300); // a late visit would be seen
        EXPECT_TRUE(server.Visits() == 0 && c.ErrorCode() == GstMediaControl::ErrorFormat);
        EXPECT_TRUE(c.ErrorDescription().contains("network")) << c.ErrorDescription().toStdString();
    }
}

// Sinks with a scheme of their own (the frame sink's appsink) and local
// sources are kept; what fetches is refused.
TEST(LocalOnly, OnlyWhatFetchesIsRefused) {
    const struct {
        const char* factory;
        bool refused;
    } rows[] = {{"appsink", false},    {"filesrc", false}, {"ximagesink", false},
                {"souphttpsrc", true}, {"hlsdemux", true}, {"dashdemux", true}};
    ASSERT_TRUE(GstMediaControl::InitEngine());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.factory);
        const gst::ObjectPtr<GstElementFactory> factory(gst_element_factory_find(row.factory));
        ASSERT_TRUE(factory);
        EXPECT_EQ(ReachesNetwork(factory.get()), row.refused);
    }
}

} // namespace
