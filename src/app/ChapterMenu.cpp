#include "ChapterMenu.h"

#include "cd/VcdEntries.h"
#include "player/Chapters.h"
#include "player/MediaControl.h"

#include <QMenu>
#include <QThread>
#include <cmath>
#include <memory>

namespace lumadeck {

QString ChapterCaption(int index, double start) {
    const long seconds = std::lround(std::max(0.0, start));
    return QStringLiteral("Chapter %1 (%2:%3)")
        .arg(index + 1)
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

ChapterMenu::ChapterMenu(QMenu* parentMenu, MediaControl* control, QObject* parent)
    : QObject(parent), m_control(control) {
    m_menu = parentMenu->addMenu(QStringLiteral("Chapters"));
    m_menu->setObjectName(QStringLiteral("mnuChapters"));
    connect(m_menu, &QMenu::aboutToShow, this, &ChapterMenu::rebuild);
    if (control) {
        connect(control, &MediaControl::OpenStateChange, this,
                [this](OpenStateCode, OpenStateCode now) {
                    if (now == OpenStateCode::Open && m_control) {
                        load(m_control->FileName());
                    }
                    rebuild();
                });
    }
    rebuild();
}

void ChapterMenu::load(const QString& fileName) {
    // The disc may be slow to read: the entries come from a thread, and are
    // used only if the same file is still open when they arrive.
    auto starts = std::make_shared<QList<double>>();
    QThread* thread = QThread::create([fileName, starts] { *starts = ChaptersOfFile(fileName); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, fileName, starts] {
        if (m_control && m_control->FileName() == fileName &&
            m_control->OpenState() == OpenStateCode::Open) {
            m_control->SetChapters(*starts);
            rebuild();
            emit Loaded();
        }
    });
    thread->start();
}

void ChapterMenu::rebuild() {
    m_menu->clear();
    const QList<double> starts = m_control ? m_control->Chapters() : QList<double>();
    m_menu->setEnabled(starts.size() > 1);
    if (starts.size() < 2) {
        return;
    }
    const int playing = ChapterAt(starts, m_control->CurrentPosition());
    for (int i = 0; i < starts.size(); ++i) {
        const double start = starts[i];
        QAction* item = m_menu->addAction(ChapterCaption(i, start), this, [this, start] {
            if (m_control) {
                m_control->SetCurrentPosition(start);
            }
        });
        item->setCheckable(true);
        item->setChecked(i == playing);
    }
}

} // namespace lumadeck
