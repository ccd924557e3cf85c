// The real dialogs, answered by a timer: what they show and what they give.
#include "platform/QtDialogs.h"
#include "platform_test_files.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(QtDialogs, OpenGivesTheChosenNameAsItIsEvenEndingInABlank) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
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
    const QString chosen =
        dialogs.OpenFile(nullptr, {"Open Video File", "All Files (*)", dir.path(), QString()});
    answer.stop();
    EXPECT_EQ(chosen, name);
}
