// Opening documents through the desktop: the working folder and errors, and the real xdg-mime
// and xdg-open in a private XDG environment.
#include "platform/Services.h"
#include "platform/apifuncs.h"
#include "platform_test_files.h"
#include "testing/RecordingOpener.h"

#include <QTemporaryDir>
#include <QTest>

using namespace lumadeck;

// Private defaults first, the system's types visible, no desktop session. (A process per test.)
TEST(ShellOpen, TheDefaultApplicationGetsTheDocumentAndNoneIsNoAssociation) {
    QTemporaryDir desktop;
    for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", desktop.filePath("data")},
                                      {"XDG_CONFIG_HOME", desktop.filePath("config")},
                                      {"XDG_DATA_DIRS", QString("/usr/share")},
                                      {"XDG_CONFIG_DIRS", desktop.filePath("sysconfig")},
                                      {"DISPLAY", QString(":lumadeck-test")}}) {
        qputenv(name, value.toUtf8());
    }
    qunsetenv("XDG_CURRENT_DESKTOP"), qunsetenv("BROWSER");
    const QString marker = desktop.filePath("opened.txt"), script = desktop.filePath("viewer.sh");
    WriteFile(script, QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
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
    ASSERT_TRUE(apifuncs::ShellOpenFile(page, error) && error.isEmpty()) << error.toStdString();
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

// The working folder is the document's folder, or the current one for a bare name; missing
// documents and folders never reach the desktop.
TEST(ShellOpen, WorkingFolderIsTheDocumentsFolderOrTheCurrentOne) {
    QTemporaryDir dir;
    const QString page = dir.filePath("help/Lumadeck.html");
    WriteFile(page), WriteFile(dir.filePath("top.html"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    test::RecordingOpener opener;
    Services::setOpener(&opener);
    QString error = "stale";
    EXPECT_TRUE(apifuncs::ShellOpenFile(page, error) && apifuncs::ShellOpenFile("top.html", error));
    EXPECT_EQ(error, "");
    opener.result = 42;
    for (const auto& [path, text] : {std::pair{page, "Unknown error"},
                                     {dir.filePath("help/none.html"), "File not found"},
                                     {dir.filePath("gone/Lumadeck.html"), "Path not found"}}) {
        EXPECT_FALSE(apifuncs::ShellOpenFile(path, error));
        EXPECT_EQ(error, text);
    }
    Services::setOpener(nullptr);
    QDir::setCurrent(previous);
    ASSERT_EQ(opener.requests.size(), 3);
    EXPECT_EQ(opener.requests[0].second, dir.filePath("help"));
    EXPECT_EQ(opener.requests[1].second, dir.path());
}
