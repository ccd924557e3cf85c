// Opening documents with the desktop's default application, for real through
// xdg-mime and xdg-open with a private XDG environment.
#include "platform/IDocumentOpener.h"
#include "platform/RecordingOpener.h"
#include "platform/Services.h"
#include "platform/apifuncs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Points the XDG folders at a private, empty desktop for one test.
class PrivateDesktop {
public:
    PrivateDesktop() {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS",
                                 "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP", "BROWSER", "DISPLAY"}) {
            saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        }
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        // The system's MIME database stays visible; its applications do not
        // matter, as the private config's defaults come first.
        qputenv("XDG_DATA_DIRS", "/usr/share");
        qputenv("XDG_CONFIG_DIRS", dir.filePath("sysconfig").toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("BROWSER");
        // The desktop's applications are only chosen for a graphical
        // session; the viewer of these tests never connects to it.
        qputenv("DISPLAY", ":lumadeck-test");
    }
    ~PrivateDesktop() {
        for (const auto& v : saved) {
            if (v.wasSet) {
                qputenv(v.name, v.value);
            } else {
                qunsetenv(v.name);
            }
        }
    }
    QTemporaryDir dir;

private:
    struct Var {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    QList<Var> saved;
};

} // namespace

TEST(ShellOpen, MissingFilesAndFoldersAreReportedInWords) {
    QTemporaryDir dir;
    QString error = "stale";
    EXPECT_FALSE(apifuncs::ShellOpenFile(dir.filePath("Lumadeck.html"), error));
    EXPECT_EQ(error, "File not found");
    EXPECT_FALSE(apifuncs::ShellOpenFile(dir.filePath("gone/Lumadeck.html"), error));
    EXPECT_EQ(error, "Path not found");
}

TEST(ShellOpen, NoApplicationForTheTypeIsNoAssociation) {
    PrivateDesktop desktop;
    // A type of its own that nothing on any machine opens.
    writeFile(desktop.dir.filePath("data/mime/packages/lumadeck-test.xml"),
              "<?xml version=\"1.0\"?>\n<mime-info "
              "xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
              "<mime-type type=\"application/x-lumadeck-unopenable\"><glob pattern=\"*.lmdk\"/>"
              "</mime-type></mime-info>\n");
    const QString page = desktop.dir.filePath("help/notes.lmdk");
    writeFile(page, QByteArray("\x00\x01\x02binary", 9));
    QString error;
    EXPECT_FALSE(apifuncs::ShellOpenFile(page, error));
    EXPECT_EQ(error, "No association for file extension");
}

TEST(ShellOpen, TheDefaultApplicationGetsTheDocument) {
    PrivateDesktop desktop;
    const QString marker = desktop.dir.filePath("opened.txt");
    const QString script = desktop.dir.filePath("viewer.sh");
    writeFile(script, QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(desktop.dir.filePath("data/applications/lumadeck-test-viewer.desktop"),
              QString("[Desktop Entry]\nType=Application\nName=Viewer\nExec=%1 %f\n"
                      "MimeType=text/html;\n")
                  .arg(script)
                  .toUtf8());
    writeFile(desktop.dir.filePath("config/mimeapps.list"),
              "[Default Applications]\ntext/html=lumadeck-test-viewer.desktop\n");
    const QString page = desktop.dir.filePath("folder with space/Lumadeck.html");
    writeFile(page, "<html><body>help</body></html>");

    QString error = "stale";
    ASSERT_TRUE(apifuncs::ShellOpenFile(page, error)) << error.toStdString();
    EXPECT_EQ(error, "");
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(marker) && t.elapsed() < 15000) {
        QThread::msleep(50);
    }
    QFile opened(marker);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly)) << "the viewer was not started";
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), page);
}

TEST(ShellOpen, WorkingFolderIsTheDocumentsFolderOrTheCurrentOne) {
    QTemporaryDir dir;
    const QString page = dir.filePath("help/Lumadeck.html");
    writeFile(page, "<html></html>");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.filePath("help"));
    RecordingOpener opener;
    Services::setOpener(&opener);
    QString error;
    EXPECT_TRUE(apifuncs::ShellOpenFile(page, error));
    EXPECT_TRUE(apifuncs::ShellOpenFile("Lumadeck.html", error));
    opener.result = 31;
    EXPECT_FALSE(apifuncs::ShellOpenFile(page, error));
    EXPECT_EQ(error, "No association for file extension");
    opener.result = 42;
    EXPECT_FALSE(apifuncs::ShellOpenFile(page, error));
    EXPECT_EQ(error, "Unknown error");
    // A missing document never reaches the desktop.
    EXPECT_FALSE(apifuncs::ShellOpenFile(dir.filePath("help/none.html"), error));
    EXPECT_EQ(error, "File not found");
    Services::setOpener(nullptr);
    QDir::setCurrent(previous);
    ASSERT_EQ(opener.requests.size(), 4);
    EXPECT_EQ(opener.requests[0].second, dir.filePath("help"));
    EXPECT_EQ(opener.requests[1].second, dir.filePath("help"));
}
