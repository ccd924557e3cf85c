#include "SystemMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

namespace lumadeck {

namespace {

constexpr const char* StateProperty = "lumadeckMenuState";

unsigned idOf(const QAction* action) {
    return action->isSeparator() ? 0u : action->data().toUInt();
}

} // namespace

SystemMenu::SystemMenu(QWidget* window) : QMenu(window), m_window(window) {
    setObjectName("SystemMenu");
    struct Item {
        const char* text;
        SysCommand id;
    };
    const Item items[] = {
        {"&Restore", SysCommand::Restore},   {"&Move", SysCommand::Move},
        {"&Size", SysCommand::Size},         {"Mi&nimise", SysCommand::Minimize},
        {"Ma&ximise", SysCommand::Maximize}, {"&Close\tAlt+F4", SysCommand::Close}};
    for (const Item& item : items) {
        if (item.id == SysCommand::Close) {
            addSeparator();
        }
        QAction* action = addAction(QString::fromLatin1(item.text));
        action->setData(unsigned(item.id));
        action->setProperty(StateProperty, 0);
    }
    connect(this, &QMenu::triggered, this, [this](QAction* action) {
        if (action->property(StateProperty).toInt() == 0) {
            Run(idOf(action));
        }
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
    connect(shortcut, &QShortcut::activated, this,
            [this] { popup(m_window->mapToGlobal(QPoint(0, 0))); });
}

SystemMenu* SystemMenu::Of(QWidget* window, bool create) {
    if (!window) {
        return nullptr;
    }
    auto* menu = window->findChild<SystemMenu*>(QString(), Qt::FindDirectChildrenOnly);
    if (!menu && create) {
        menu = new SystemMenu(window);
    }
    return menu;
}

int SystemMenu::ItemCount() const {
    return static_cast<int>(actions().size());
}

unsigned SystemMenu::ItemID(int pos) const {
    const QList<QAction*> items = actions();
    return (pos >= 0 && pos < items.size()) ? idOf(items[pos]) : 0u;
}

int SystemMenu::ItemState(int pos) const {
    const QList<QAction*> items = actions();
    return (pos >= 0 && pos < items.size()) ? items[pos]->property(StateProperty).toInt() : 0;
}

void SystemMenu::SetItem(int pos, int state, unsigned id) {
    const QList<QAction*> items = actions();
    if (pos < 0 || pos >= items.size() || items[pos]->isSeparator()) {
        return;
    }
    QAction* item = items[pos];
    item->setProperty(StateProperty, state);
    item->setData(id);
    item->setEnabled(state == 0);
}

bool SystemMenu::RemoveAt(int pos) {
    const QList<QAction*> items = actions();
    if (pos < 0 || pos >= items.size()) {
        return false;
    }
    QAction* item = items[pos];
    removeAction(item);
    delete item;
    return true;
}

bool SystemMenu::RemoveCommand(unsigned id) {
    const QList<QAction*> items = actions();
    for (int pos = 0; pos < items.size(); ++pos) {
        if (!items[pos]->isSeparator() && idOf(items[pos]) == id) {
            return RemoveAt(pos);
        }
    }
    return false;
}

void SystemMenu::Run(unsigned id) {
    QWindow* handle = m_window->windowHandle();
    switch (SysCommand(id | GreyedCommandMask)) {
    case SysCommand::Restore:
        m_window->showNormal();
        break;
    case SysCommand::Move:
        if (handle) {
            handle->startSystemMove();
        }
        break;
    case SysCommand::Size:
        if (handle) {
            handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
        }
        break;
    case SysCommand::Minimize:
        m_window->showMinimized();
        break;
    case SysCommand::Maximize:
        m_window->showMaximized();
        break;
    case SysCommand::Close:
        m_window->close();
        break;
    }
}

} // namespace lumadeck
