// Opening documents through the real xdg-mime and xdg-open in a private XDG environment.
#include "platform/Services.h"
#include "platform/apifuncs.h"
#include "platform_test_files.h"
#include "testing/RecordingOpener.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Points the XDG folders at a private, empty desktop for one test.
class PrivateDesktop {
public:
    PrivateDesktop() {
        // The system's MIME database stays visible; the private defaults come
        // first, and a desktop's own choice needs a session never connected to.
        set("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        set("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        set("XDG_DATA_DIRS", "/usr/share");
        set("XDG_CONFIG_DIRS", dir.filePath("sysconfig").toUtf8());
        set("XDG_CURRENT_DESKTOP", std::nullopt);
        set("BROWSER", std::nullopt);
        set("DISPLAY", ":lumadeck-test");
    }
    ~PrivateDesktop() {
        for (const auto& [name, value] : saved) {
            value ? qputenv(name, *value) : qunsetenv(name);
        }
    }
    QTemporaryDir dir;

private:
    void set(const char* name, const std::optional<QByteArray>& value) {
        saved.append(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value ? qputenv(name, *value) : qunsetenv(name);
    }
    QList<std::pair<const char*, std::optional<QByteArray>>> saved;
};

} // namespace

TEST(ShellOpen, TheDefaultApplicationGetsTheDocumentAndNoneIsNoAssociation) {
    PrivateDesktop desktop;
    const QString marker = desktop.dir.filePath("opened.txt");
    const QString script = desktop.dir.filePath("viewer.sh");
    WriteFile(script, QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WriteFile(desktop.dir.filePath("data/applications/lumadeck-test-viewer.desktop"),
              QString("[Desktop Entry]\nType=Application\nName=Viewer\nExec=%1 %f\n"
                      "MimeType=text/html;\n")
                  .arg(script)
                  .toUtf8());
    WriteFile(desktop.dir.filePath("config/mimeapps.list"),
              "[Default Applications]\ntext/html=lumadeck-test-viewer.desktop\n");
    const QString page = desktop.dir.filePath("folder with space/Lumadeck.html");
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
    WriteFile(desktop.dir.filePath("data/mime/packages/lumadeck-test.xml"),
              "<?xml version=\"1.0\"?>\n<mime-info "
              "xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
              "<mime-type type=\"application/x-lumadeck-unopenable\"><glob pattern=\"*.lmdk\"/>"
              "</mime-type></mime-info>\n");
    const QString odd = desktop.dir.filePath("help/notes.lmdk");
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
