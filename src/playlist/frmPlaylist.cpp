#include "playlist/frmPlaylist.h"

#include "platform/PlainText.h"
#include "player/MediaControl.h"
#include "player/clsPlayVideo.h"
#include "playlist/IPlayListWindowPeers.h"
#include "playlist/PlayListModel.h"
#include "playlist/clsPlayList.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/clsGuiFuncs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumadeck {

namespace {

IPlayListWindowPeers* g_peers = nullptr;

constexpr const char* kCaption = "Lumadeck Play List";

// The hourglass pointer for the length of an action.
class WaitPointer {
public:
    WaitPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitPointer() { QApplication::restoreOverrideCursor(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

QFont headingFont() {
    QFont font;
    font.setFamilies(LabelButtons::SkinFamilies());
    font.setPointSizeF(9.75);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

QLabel* heading(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setFont(headingFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LabelButton::NormalColour());
    label->setPalette(palette);
    return label;
}

struct ButtonPlace {
    const char* caption;
    QRect geometry;
};

// By index: Open, Save and Clear under "Playlist", Browse, From CD and
// Remove under "Add Files", the playback buttons in a row under the list.
const ButtonPlace kButtons[] = {
    {"Clear", {14, 68, 70, 17}},    {"Open", {14, 34, 70, 18}},    {"Save", {14, 51, 70, 18}},
    {"From CD", {14, 120, 70, 17}}, {"Browse", {14, 102, 70, 18}}, {"Remove", {14, 137, 70, 18}},
    {"Play", {137, 194, 44, 18}},   {"Pause", {198, 194, 44, 18}}, {"Stop", {258, 194, 44, 18}},
    {"Next", {380, 194, 44, 18}},   {"Prev", {319, 194, 44, 18}},
};

} // namespace

// ------------------------------------------------------------------ the list

PlayListView::PlayListView(QWidget* parent) : QListView(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setTextElideMode(Qt::ElideMiddle);
}

void PlayListView::mouseMoveEvent(QMouseEvent* event) {
    QListView::mouseMoveEvent(event);
    emit pointerMoved(event->position().toPoint());
}

void PlayListView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    emit buttonPressed(event->button());
}

void PlayListView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    emit buttonReleased(event->button(), event->globalPosition().toPoint());
}

bool PlayListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (toolTip().isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), toolTip(), viewport());
        }
        return true;
    }
    return QListView::viewportEvent(event);
}

// ---------------------------------------------------------------- the window

void frmPlaylist::SetPeers(IPlayListWindowPeers* peers) {
    g_peers = peers;
}

IPlayListWindowPeers* frmPlaylist::Peers() {
    return g_peers;
}

frmPlaylist::frmPlaylist(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("frmPlaylist");
    setWindowTitle("Play List (Lumadeck Ver 2.0)");
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, SkinArt::FallbackColour());
    setPalette(palette);

    m_image2 = new SkinImage(SkinArt::PlaylistLeft, QRect(0, -1, 101, 226), this);
    m_image2->setObjectName("Image2");
    m_image1 = new SkinImage(SkinArt::PlaylistRight, QRect(100, -1, 360, 226), this);
    m_image1->setObjectName("Image1");

    m_model = new PlayListModel(this);
    m_lstPlayList = new PlayListView(this);
    m_lstPlayList->setObjectName("lstPlayList");
    m_lstPlayList->setGeometry(108, 21, 330, 171);
    m_lstPlayList->setModel(m_model);
    // Light text on a dark ground, in the colours of the skin.
    QPalette listPalette = m_lstPlayList->palette();
    listPalette.setColor(QPalette::Base, QColor(40, 18, 28));
    listPalette.setColor(QPalette::Text, LabelButton::NormalColour());
    listPalette.setColor(QPalette::Highlight, QColor(150, 40, 60));
    listPalette.setColor(QPalette::HighlightedText, Qt::white);
    m_lstPlayList->setPalette(listPalette);

    m_label1 = heading("Playlist", QRect(13, 20, 84, 17), this);
    m_label1->setObjectName("Label1");
    m_label2 = heading("Add Files", QRect(13, 85, 79, 16), this);
    m_label2->setObjectName("Label2");

    m_skinButtonMin = SkinButtonCtl::MakeMinimise(this, 426, 4);
    m_skinButtonMin->setObjectName("skinButtonMin");
    m_skinButtonClose = SkinButtonCtl::MakeClose(this, 441, 4);
    m_skinButtonClose->setObjectName("skinButtonClose");

    m_lblButtons = new LabelButtonArray(this);
    for (const ButtonPlace& place : kButtons) {
        LabelButton* button = m_lblButtons->Add(place.caption, place.geometry);
        button->setObjectName(QStringLiteral("lblButtons%1").arg(button->Index()));
        button->setFont(LabelButtons::ButtonFont());
    }
    m_lblButtons->ResetColorsOnMove(m_image1);
    m_lblButtons->ResetColorsOnMove(m_image2);
    m_lblButtons->ResetColorsOnMove(this);

    connect(m_lblButtons, &LabelButtonArray::clicked, this, &frmPlaylist::ButtonClicked);
    connect(m_image1, &SkinImage::pressed, this, &frmPlaylist::backgroundPressed);
    connect(m_image2, &SkinImage::pressed, this, &frmPlaylist::backgroundPressed);
    connect(m_skinButtonMin, &SkinButtonCtl::clicked, this,
            [this] { clsGuiFuncs::Minimise(this); });
    connect(m_skinButtonClose, &SkinButtonCtl::clicked, this, [this] { close(); });
    connect(m_lstPlayList, &PlayListView::pointerMoved, this, &frmPlaylist::lstPlayList_MouseMove);
    connect(m_lstPlayList, &PlayListView::buttonPressed, this, &frmPlaylist::lstPlayList_MouseDown);
    connect(m_lstPlayList, &PlayListView::buttonReleased, this, &frmPlaylist::lstPlayList_MouseUp);
    connect(m_lstPlayList, &QAbstractItemView::doubleClicked, this,
            &frmPlaylist::lstPlayList_DblClick);
    connect(m_lstPlayList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { SetButtons(); });
}

frmPlaylist::~frmPlaylist() {
    Form_Unload();
}

void frmPlaylist::Form_Load() {
    m_bDragging = false;
    IPlayListWindowPeers* peers = Peers();
    if (!peers) {
        return;
    }
    if (peers->CompactMode()) {
        if (const auto compact = peers->CompactWindowFrame()) {
            clsGuiFuncs::PlaceFrame(this, {compact->left(), compact->top() + compact->height()});
        }
    }
    peers->LoadHelper(*this);
}

void frmPlaylist::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    m_bDragging = false;
    if (IPlayListWindowPeers* peers = Peers()) {
        peers->UnloadHelper();
    }
    if (clsPlayList* playList = m_playList.data()) {
        m_playList.clear();
        playList->SetbPLShown(false);
    }
    m_model->Attach(nullptr);
}

void frmPlaylist::closeEvent(QCloseEvent* event) {
    // Alt+F4 reaches a window as the window manager's close request, not as
    // a key: in compact mode it closes the compact player, as the key does.
    // That runs once this window has gone.
    IPlayListWindowPeers* peers = event->spontaneous() ? Peers() : nullptr;
    const bool closesCompactPlayer = peers && peers->CompactMode();
    Form_Unload();
    event->accept();
    // Unloaded: the next use of the window loads a new one.
    deleteLater();
    if (closesCompactPlayer) {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                if (IPlayListWindowPeers* compact = Peers()) {
                    compact->CompactWindowKey(Qt::Key_F4, Qt::AltModifier);
                }
            },
            Qt::QueuedConnection);
    }
}

void frmPlaylist::keyPressEvent(QKeyEvent* event) {
    IPlayListWindowPeers* peers = Peers();
    if (peers && peers->CompactMode()) {
        peers->CompactWindowKey(event->key(), event->modifiers());
        return;
    }
    QWidget::keyPressEvent(event);
}

// --------------------------------------------------------- controller calls

void frmPlaylist::ShowPlayList(clsPlayList& playList) {
    m_playList = &playList;
    m_model->Attach(&playList);
    Reload();
}

void frmPlaylist::Reload() {
    // The rows under a drag are gone: the drag ends here.
    m_bDragging = false;
    m_model->Reload();
    SetCurrent();
    SetButtons();
}

void frmPlaylist::SetCurrent() {
    clsPlayList* playList = m_playList.data();
    if (playList && !m_bDragging) {
        // While an entry is dragged the selection is the dragged row's.
        const long current = playList->CurrentFileIndex();
        if (current < 0) {
            clearSelection();
        } else if (current < m_model->rowCount()) {
            selectRow(current);
        }
    }
    QString caption = kCaption;
    if (playList && !playList->PlayListFileName().isEmpty()) {
        caption += " " + clsFiles::TitleOf(playList->PlayListFileName());
    }
    setWindowTitle(CaptionText(caption));
    SetButtons();
}

void frmPlaylist::SetWindowVisible(bool visible) {
    setVisible(visible);
    if (visible) {
        raise();
    }
}

void frmPlaylist::ShowNormal() {
    if (isMinimized()) {
        showNormal();
    }
}

void frmPlaylist::TakeFocus() {
    activateWindow();
    raise();
    m_lstPlayList->setFocus();
}

void frmPlaylist::MoveTo(int left, int top) {
    clsGuiFuncs::PlaceFrame(this, {left, top});
}

// ------------------------------------------------------------------- buttons

LabelButton* frmPlaylist::Button(PlayListButton button) const {
    return (*m_lblButtons)[static_cast<int>(button)];
}

void frmPlaylist::setEnabled(PlayListButton button, bool on) {
    Button(button)->setEnabled(on);
}

bool frmPlaylist::isEnabled(PlayListButton button) const {
    return Button(button)->isEnabled();
}

void frmPlaylist::SetButtons() {
    const bool selected = SelectedRow() >= 0;
    const long current = m_playList ? m_playList->CurrentFileIndex() : -1;
    const long count = m_playList ? m_playList->cFiles().Count() : 0;

    setEnabled(PlayListButton::Remove, selected);
    if (current < 0 || count == 0) {
        for (PlayListButton b : {PlayListButton::Prev, PlayListButton::Next, PlayListButton::Pause,
                                 PlayListButton::Stop}) {
            setEnabled(b, false);
        }
    }
    setEnabled(PlayListButton::Play, selected);
    setEnabled(PlayListButton::Prev, current >= 1);
    setEnabled(PlayListButton::Next, current < count - 1);

    if (!m_playList) {
        return;
    }
    const PlayStateCode state = m_playList->cPlay().GetPlayStatus();
    auto playPauseStop = [this](bool play, bool pause, bool stop) {
        setEnabled(PlayListButton::Play, play);
        setEnabled(PlayListButton::Pause, pause);
        setEnabled(PlayListButton::Stop, stop);
    };
    switch (state) {
    case PlayStateCode::Stopped:
        playPauseStop(true, false, false);
        break;
    case PlayStateCode::Paused:
        playPauseStop(true, false, true);
        break;
    case PlayStateCode::Playing:
        playPauseStop(false, true, true);
        break;
    case PlayStateCode::Closing:
        playPauseStop(false, false, false);
        break;
    }
}

void frmPlaylist::ButtonClicked(int Index) {
    clsPlayList* playList = m_playList.data();
    if (playList) {
        switch (static_cast<PlayListButton>(Index)) {
        case PlayListButton::Clear:
            playList->Clear();
            break;
        case PlayListButton::Open:
            openClicked();
            break;
        case PlayListButton::Save:
            saveClicked();
            break;
        case PlayListButton::FromCD:
            if (IPlayListWindowPeers* peers = Peers()) {
                peers->PopupFromCD(QCursor::pos());
            }
            break;
        case PlayListButton::Browse:
            browseClicked();
            break;
        case PlayListButton::Remove:
            removeClicked();
            break;
        case PlayListButton::Play:
            playClicked();
            break;
        case PlayListButton::Pause:
            playList->cPlay().Pause();
            break;
        case PlayListButton::Stop:
            playList->cPlay().StopPlaying();
            break;
        case PlayListButton::Next:
            playList->PlayNextVideo();
            break;
        case PlayListButton::Prev:
            playList->PlayPrevVideo();
            break;
        }
    }
    SetButtons();
}

void frmPlaylist::openClicked() {
    IPlayListWindowPeers* peers = Peers();
    if (!peers) {
        return;
    }
    const QString name = peers->ShowOpenDialog(
        "Play Lists (*.m3u)|*.m3u|" + peers->MediaFileFilter(), "Load Playlist", "m3u");
    if (name.isEmpty() || !m_playList) {
        return;
    }
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0 && peers->IsMediaExtension(name.mid(dot + 1))) {
        m_playList->Add(name, true);
    } else {
        m_playList->LoadPlayList(name);
    }
}

void frmPlaylist::saveClicked() {
    if (!m_playList) {
        return;
    }
    if (!m_playList->PlayListFileName().isEmpty()) {
        m_playList->SavePlayList(m_playList->PlayListFileName());
        return;
    }
    IPlayListWindowPeers* peers = Peers();
    if (!peers) {
        return;
    }
    const QString name = peers->ShowSaveDialog("Play Lists (*.m3u)|*.m3u|All Files (*.*)|*.*",
                                               "Save Playlist", "m3u");
    if (!name.isEmpty() && m_playList) {
        m_playList->SavePlayList(name);
    }
}

void frmPlaylist::browseClicked() {
    IPlayListWindowPeers* peers = Peers();
    if (!peers) {
        return;
    }
    const QStringList names =
        BrowseOrder(peers->ShowOpenFilesDialog(peers->MediaFileFilter(), "Add To Playlist"));
    WaitPointer wait;
    QPointer<frmPlaylist> self(this);
    for (const QString& name : names) {
        if (!self || !m_playList) {
            return; // the window or the list went away while a file was added
        }
        m_playList->Add(name, true);
    }
}

namespace {

// Compares names the way file lists show them: runs of digits by their
// value, the rest without regard to letter case (whatever the locale).
int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a[ei].isDigit()) {
                ++ei;
            }
            while (ej < b.size() && b[ej].isDigit()) {
                ++ej;
            }
            // Leading zeros aside, the longer run is the larger number.
            QStringView x = QStringView(a).mid(i, ei - i);
            QStringView y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x.front() == u'0') {
                x = x.mid(1);
            }
            while (y.size() > 1 && y.front() == u'0') {
                y = y.mid(1);
            }
            if (x.size() != y.size()) {
                return x.size() < y.size() ? -1 : 1;
            }
            if (const int c = x.compare(y); c != 0) {
                return c;
            }
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return QString::compare(a, b, Qt::CaseSensitive);
}

} // namespace

QStringList frmPlaylist::BrowseOrder(QStringList names) {
    names.removeAll(QString());
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return naturalCompare(a, b) < 0; });
    return names;
}

void frmPlaylist::removeClicked() {
    const long row = SelectedRow();
    if (row < 0 || !m_playList) {
        return;
    }
    // By position, straight on the entries: the controller's modified flag
    // and current index stay as they are.
    m_playList->cFiles().Remove(FileKey(row));
    Reload();
}

void frmPlaylist::playClicked() {
    const long row = SelectedRow();
    if (row >= 0) {
        m_playList->PlayVideoByIndex(row, 0);
    } else {
        m_playList->cPlay().Play();
    }
}

void frmPlaylist::AddToPL(const QString& tag) {
    if (tag == "PlayAll" || tag == "AddAll" || tag == "Sep" || !m_playList) {
        return;
    }
    m_playList->Add(tag, true);
}

// ------------------------------------------------------------------ the list

clsPlayList* frmPlaylist::Attached() const {
    return m_playList.data();
}

long frmPlaylist::SelectedRow() const {
    const QModelIndexList rows = m_lstPlayList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmPlaylist::selectRow(long row) {
    const QModelIndex index = m_model->index(static_cast<int>(row));
    m_lstPlayList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_lstPlayList->scrollTo(index);
}

void frmPlaylist::clearSelection() {
    m_lstPlayList->selectionModel()->clearSelection();
}

long frmPlaylist::ListRowFromPoint(int y) const {
    const int height = m_lstPlayList->sizeHintForRow(0);
    if (height <= 0) {
        return -1;
    }
    const QModelIndex top = m_lstPlayList->indexAt(QPoint(0, 0));
    const long first = top.isValid() ? top.row() : 0;
    // The rows above the pointer, whole ones: a row's lower half is still it.
    return static_cast<long>(std::floor(static_cast<double>(y) / height)) + first;
}

void frmPlaylist::lstPlayList_MouseMove(const QPoint& pos) {
    m_lblButtons->SetButtonColors(nullptr);
    const long count = m_model->rowCount();
    if (count == 0) {
        return;
    }
    const long row = ListRowFromPoint(pos.y());
    // A title is shown as it is: "<img src=...>" in a name is no picture.
    m_lstPlayList->setToolTip(row < 0 || row >= count ? QString()
                                                      : ToolTipText(m_model->Title(row)));
    if (!m_bDragging || !m_playList) {
        return;
    }
    // The list has already moved its selection to the row under the pointer.
    const long s = SelectedRow();
    if (s < 0 || s == m_iDragIndex) {
        return;
    }
    if (m_iDragIndex < s) {
        m_playList->MoveAfter(m_iDragIndex, s);
    } else {
        m_playList->MoveBefore(m_iDragIndex, s);
    }
    // The rows between read the controller's new order; nothing is rebuilt.
    m_model->RowsReordered(m_iDragIndex, s);
    m_iDragIndex = s;
    // The current entry may have moved with the step: Prev and Next follow.
    SetButtons();
}

void frmPlaylist::lstPlayList_MouseDown(Qt::MouseButton button) {
    const long row = SelectedRow();
    if (button == Qt::LeftButton && row >= 0 && m_model->rowCount() > 0) {
        m_bDragging = true;
        m_iDragIndex = row;
    }
}

void frmPlaylist::lstPlayList_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    m_bDragging = false;
    if (button != Qt::RightButton || SelectedRow() < 0) {
        return;
    }
    if (IPlayListWindowPeers* peers = Peers()) {
        peers->PopupPlayControl(globalPos, isEnabled(PlayListButton::Play),
                                isEnabled(PlayListButton::Pause), isEnabled(PlayListButton::Stop));
    }
}

void frmPlaylist::lstPlayList_DblClick() {
    const long row = SelectedRow();
    if (row < 0 || !m_playList) {
        return;
    }
    WaitPointer wait;
    m_playList->PlayVideoByIndex(row, 0);
}

// ---------------------------------------------------------- moving, docking

void frmPlaylist::backgroundPressed(Qt::MouseButton button) {
    if (button != Qt::LeftButton) {
        return;
    }
    clsGuiFuncs().DragOBJ(this);
    SnapToCompactWindow();
}

void frmPlaylist::SnapToCompactWindow() {
    IPlayListWindowPeers* peers = Peers();
    if (!peers || !peers->CompactMode() || !clsGuiFuncs::CanPlaceWindows()) {
        return;
    }
    const auto compact = peers->CompactWindowFrame();
    if (!compact) {
        return;
    }
    const QPoint dock(compact->left(), compact->top() + compact->height());
    const QPoint here = frameGeometry().topLeft();
    if (std::abs(here.x() - dock.x()) < DockDistance &&
        std::abs(here.y() - dock.y()) < DockDistance) {
        clsGuiFuncs::PlaceFrame(this, dock);
    }
}

} // namespace lumadeck
