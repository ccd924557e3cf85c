// Opening documents through the real xdg-mime and xdg-open in a private XDG environment.
#include "platform/Services.h"
#include "platform/apifuncs.h"
#include "platform_test_files.h"
#include "testing/RecordingOpener.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Points the XDG folders at a private, empty desktop: the system's MIME database
// stays visible, the private defaults come first, and a desktop's own choice
// needs a session never connected to. (Each test runs in a process of its own.)
void usePrivateDesktop(const QTemporaryDir& dir) {
    for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", dir.filePath("data")},
                                      {"XDG_CONFIG_HOME", dir.filePath("config")},
                                      {"XDG_DATA_DIRS", QString("/usr/share")},
                                      {"XDG_CONFIG_DIRS", dir.filePath("sysconfig")},
                                      {"DISPLAY", QString(":lumadeck-test")}}) {
        qputenv(name, value.toUtf8());
    }
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("BROWSER");
}

} // namespace

TEST(ShellOpen, TheDefaultApplicationGetsTheDocumentAndNoneIsNoAssociation) {
    QTemporaryDir desktop;
    usePrivateDesktop(desktop);
    const QString marker = desktop.filePath("opened.txt");
    const QString script = desktop.filePath("viewer.sh");
    WriteFile(script, QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WriteFile(desktop.filePath("data/applications/lumadeck-test-viewer.desktop"),
              QString("[Desktop Entry]\nType=Application\nName=Viewer\nExec=%1 %f\n"
                      "MimeType=text/html;\n")
                  .arg(script)
                  .toUtf8());
    WriteFile(desktop.filePath("config/mimeapps.list"),
              "[Default Applications]\ntext/html=lumadeck-test-viewer.desktop\n");
    const QString page = desktop.filePath("folder with space/Lumadeck.html");
    WriteFile(page, "<html><body>help</body></html>");
    QString error = "stale";
    ASSERT_TRUE(apifuncs::ShellOpenFile(page, error)) << error.toStdString();
    EXPECT_EQ(error, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 15000))
        << "the viewer was not started";
    QFile opened(marker);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), page);

    // A type of its own that nothing on any machine opens.
    WriteFile(desktop.filePath("data/mime/packages/lumadeck-test.xml"),
              "<?xml version=\"1.0\"?>\n<mime-info "
              "xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
              "<mime-type type=\"application/x-lumadeck-unopenable\"><glob pattern=\"*.lmdk\"/>"
              "</mime-type></mime-info>\n");
    const QString odd = desktop.filePath("help/notes.lmdk");
    WriteFile(odd, QByteArray("\x00\x01\x02binary", 9));
    EXPECT_FALSE(apifuncs::ShellOpenFile(odd, error));
    EXPECT_EQ(error, "No association for file extension");
}

TEST(ShellOpen, WorkingFolderIsTheDocumentsFolderOrTheCurrentOne) {
    QTemporaryDir dir;
    const QString page = dir.filePath("help/Lumadeck.html");
    WriteFile(page, "<html></html>");
    WriteFile(dir.filePath("top.html"), "<html></html>");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RecordingOpener opener;
    Services::setOpener(&opener);
    QString error = "stale";
    EXPECT_TRUE(apifuncs::ShellOpenFile(page, error));
    EXPECT_EQ(error, "");
    EXPECT_TRUE(apifuncs::ShellOpenFile("top.html", error));
    opener.result = 42;
    EXPECT_FALSE(apifuncs::ShellOpenFile(page, error));
    EXPECT_EQ(error, "Unknown error");
    // Missing documents and folders never reach the desktop.
    EXPECT_FALSE(apifuncs::ShellOpenFile(dir.filePath("help/none.html"), error));
    EXPECT_EQ(error, "File not found");
    EXPECT_FALSE(apifuncs::ShellOpenFile(dir.filePath("gone/Lumadeck.html"), error));
    EXPECT_EQ(error, "Path not found");
    Services::setOpener(nullptr);
    QDir::setCurrent(previous);
    ASSERT_EQ(opener.requests.size(), 3);
    EXPECT_EQ(opener.requests[0].second, dir.filePath("help"));
    EXPECT_EQ(opener.requests[1].second, dir.path());
}
