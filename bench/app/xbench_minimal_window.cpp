// The yardstick for the program's start-up: the least a Qt Widgets program
// with the same frame does, a main window with a menu bar, a tool bar and a
// status bar, shown at once. bench_startup.cpp times both in the same run.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal Qt window."));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open..."));
    file->addSeparator();
    QObject::connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, &window,
                     &QWidget::close);
    window.menuBar()->addMenu(QStringLiteral("&View"))->addAction(QStringLiteral("&Zoom"));
    window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    QToolBar* tools = window.addToolBar(QStringLiteral("Tools"));
    tools->addAction(open);
    tools->addAction(QStringLiteral("Play"));
    tools->addAction(QStringLiteral("Stop"));
    window.setCentralWidget(new QLabel(QStringLiteral("Nothing playing")));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(640, 560);
    window.show();
    return app.exec();
}
