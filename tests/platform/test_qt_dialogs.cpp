// The real open dialog, answered by a timer, gives the chosen name as it is, even ending in a
// blank.
#include "platform/QtDialogs.h"
#include "platform_test_files.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

using namespace lumadeck;

TEST(QtDialogs, OpenGivesTheChosenNameAsItIsEvenEndingInABlank) {
    QTemporaryDir dir;
    const QString name = dir.filePath("clip.mpg ");
    WriteFile(name);
    QtDialogs dialogs;
    dialogs.setUseQtDialogs(true);
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->selectFile(name);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    answer.start();
    EXPECT_EQ(
        dialogs.OpenFile(nullptr, {"Open Video File", "All Files (*)", dir.path(), QString()}),
        name);
}
