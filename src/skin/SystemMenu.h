#pragma once

#include <QMenu>

namespace lumadeck {

// Command numbers of the system menu's items.
enum class SysCommand : unsigned {
    Size = 0xF000,
    Move = 0xF010,
    Minimize = 0xF020,
    Maximize = 0xF030,
    Close = 0xF060,
    Restore = 0xF120,
};

// A greyed item carries its command number with this bit cleared.
inline constexpr unsigned GreyedCommandMask = 0x8000;

// The system menu of a window: "Restore", "Move", "Size", "Minimise",
// "Maximise", a separator, "Close", each item carrying its command number
// (the separator carries 0). One menu per window, kept as the window's child
// and made on first use; Alt+Space shows it at the window's corner.
class SystemMenu : public QMenu {
    Q_OBJECT
public:
    // The window's menu; made when `create` is true and there is none.
    static SystemMenu* Of(QWidget* window, bool create = true);

    // The items, separator included, in their order.
    int ItemCount() const;
    // The command number of the item at a position (0 for a separator,
    // 0 beyond the end).
    unsigned ItemID(int pos) const;
    // The item's state: 0 enabled, 1 greyed; 0 beyond the end.
    int ItemState(int pos) const;
    // Writes an item's state and command number.
    void SetItem(int pos, int state, unsigned id);
    // Removes an item by position, or by command number (exact). False when
    // there is none.
    bool RemoveAt(int pos);
    bool RemoveCommand(unsigned id);

    // Runs the command of an item as the window system would.
    void Run(unsigned id);

private:
    explicit SystemMenu(QWidget* window);
    QWidget* m_window;
};

} // namespace lumadeck
