// A local file that is a streaming manifest naming pieces on a web server (here one on this
// machine that notes every visit) fails to open as a format not played; the server is never asked.
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
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    const std::pair<const char*, QByteArray> manifests[] = {
        {"live.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\n" + base +
                          "a.ts\n#EXTINF:2.0,\n" + base + "b.ts\n#EXT-X-ENDLIST\n"},
        {"master.mpg", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=100000\n" + base + "v.m3u8\n"}};
    QTemporaryDir dir;
    for (const auto& [name, text] : manifests) {
        SCOPED_TRACE(name);
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
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

// Sinks with a scheme of their own (the frame sink's appsink) and local sources are kept; what
// fetches (also by DASH manifests) is refused.
TEST(LocalOnly, OnlyWhatFetchesIsRefused) {
    const std::pair<const char*, bool> rows[] = {{"appsink", false},    {"filesrc", false},
                                                 {"ximagesink", false}, {"souphttpsrc", true},
                                                 {"hlsdemux", true},    {"dashdemux", true}};
    ASSERT_TRUE(GstMediaControl::InitEngine());
    for (const auto& [name, refused] : rows) {
        SCOPED_TRACE(name);
        const gst::ObjectPtr<GstElementFactory> factory(gst_element_factory_find(name));
        ASSERT_TRUE(factory);
        EXPECT_EQ(ReachesNetwork(factory.get()), refused);
    }
}

} // namespace
