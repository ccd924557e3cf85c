#pragma once

#include "playlist/IPlayListWindow.h"

#include <QListView>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace lumadeck {

class IPlayListWindowPeers;
class LabelButton;
class LabelButtonArray;
class PlayListModel;
class SkinButtonCtl;
class SkinImage;
class clsPlayList;

// The label buttons of the playlist window, by their indexes.
enum class PlayListButton : int {
    Clear = 0,
    Open = 1,
    Save = 2,
    FromCD = 3,
    Browse = 4,
    Remove = 5,
    Play = 6,
    Pause = 7,
    Stop = 8,
    Next = 9,
    Prev = 10,
};

// The playlist window's list: reports pointer moves, presses and releases
// after it has moved its own selection, and shows its own tool tip (the
// title of the row under the pointer) rather than one per item.
class PlayListView : public QListView {
    Q_OBJECT
public:
    explicit PlayListView(QWidget* parent = nullptr);

signals:
    void pointerMoved(const QPoint& pos);
    void buttonPressed(Qt::MouseButton button);
    void buttonReleased(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

// The floating playlist window: a skinned window without title bar that
// shows the controller's entries (it keeps no list of its own), marks the
// current one, reorders entries by dragging, and offers eleven label
// buttons that edit the list and drive playback. In compact mode it docks
// below the compact player window.
class frmPlaylist : public QWidget, public IPlayListWindow {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 458;
    static constexpr int ClientHeight = 224;
    // How close (in pixels, on both axes) a drop must come to dock.
    static constexpr int DockDistance = 10;

    explicit frmPlaylist(QWidget* parent = nullptr);
    ~frmPlaylist() override;

    // What the window reaches beyond the playlist; program-wide, set once.
    static void SetPeers(IPlayListWindowPeers* peers);
    static IPlayListWindowPeers* Peers();

    // Load steps, run once right after the window is created.
    void Form_Load();
    // Unload steps: unloads the helper window, tells the controller that
    // the list is no longer shown and lets go of it. Runs once.
    void Form_Unload();
    // Whether the unload steps have run (the window is on its way out).
    bool IsUnloaded() const { return m_unloaded; }

    // ---- IPlayListWindow
    void ShowPlayList(clsPlayList& playList) override;
    void Reload() override;
    void SetCurrent() override;
    // Enables and disables the label buttons after the selection, the
    // current entry and the player's state.
    void SetButtons() override;
    void SetWindowVisible(bool visible) override;
    void ShowNormal() override;
    void TakeFocus() override;
    void MoveTo(int left, int top) override;

    // Runs a label button's action, then SetButtons.
    void ButtonClicked(int Index);
    // A file chosen in the helper's "From CD" menus: added unless the tag
    // is one of the fixed items.
    void AddToPL(const QString& tag);
    // Docks the window below the compact window when dropped close to it.
    void SnapToCompactWindow();
    // The files chosen in the Browse dialog in the order the dialog lists
    // them: by name, numbers by value ("track 2" before "track 10"), letter
    // case aside.
    static QStringList BrowseOrder(QStringList names);
    // The row under a point of the list, `y` pixels below its top edge.
    long ListRowFromPoint(int y) const;

    // ---- Queries
    clsPlayList* Attached() const;
    // The selected row, -1 for none.
    long SelectedRow() const;
    bool IsDragging() const { return m_bDragging; }
    long DragIndex() const { return m_iDragIndex; }
    LabelButton* Button(PlayListButton button) const;
    PlayListView* List() const { return m_lstPlayList; }
    PlayListModel* Model() const { return m_model; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void selectRow(long row);
    void setEnabled(PlayListButton button, bool on);
    bool isEnabled(PlayListButton button) const;
    void clearSelection();
    void openClicked();
    void saveClicked();
    void browseClicked();
    void removeClicked();
    void playClicked();
    void lstPlayList_MouseMove(const QPoint& pos);
    void lstPlayList_MouseDown(Qt::MouseButton button);
    void lstPlayList_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void lstPlayList_DblClick();
    void backgroundPressed(Qt::MouseButton button);

    QPointer<clsPlayList> m_playList;
    PlayListModel* m_model = nullptr;
    PlayListView* m_lstPlayList = nullptr;
    SkinImage* m_image1 = nullptr;
    SkinImage* m_image2 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    SkinButtonCtl* m_skinButtonMin = nullptr;
    SkinButtonCtl* m_skinButtonClose = nullptr;
    LabelButtonArray* m_lblButtons = nullptr;
    bool m_bDragging = false;
    long m_iDragIndex = 0;
    bool m_unloaded = false;
};

} // namespace lumadeck
