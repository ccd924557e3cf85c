#include "frmThinPlayer.h"

#include "skin/IThinPlayerPeers.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWindow>
#include <cmath>
#include <cstdlib>

namespace lumadeck {

namespace {

constexpr int BarWidth = 461;            // the background picture's width on the window
constexpr int BarHeight = 32;            // and its height
constexpr int BorderTrim = 3;            // the window is that much narrower than it
constexpr qreal SmallLabelPoints = 6.75; // the file name and position: 9 px at 96 dpi

QLabel* smallLabel(QWidget* parent, const QString& name, int left, int top) {
    auto* label = new QLabel("Label1", parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(left, top, 86, 9);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = label->font();
    font.setPointSizeF(SmallLabelPoints);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 128));
    label->setPalette(palette);
    return label;
}

} // namespace

frmThinPlayer::frmThinPlayer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmThinPlayer");
    setWindowTitle("Lumadeck Player Ver2.0");
    resize(460, 29);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, SkinArt::FallbackColour());
    setPalette(palette);
    m_drag = [this](QWidget* window) { m_gui.DragOBJ(window); };

    m_image1 = new SkinImage(SkinArt::CompactBar, QRect(0, 0, BarWidth, BarHeight), this);
    m_image1->setObjectName("Image1");
    m_image2 = new SkinImage(SkinArt::ProgramIcon, QRect(6, 4, 31, 27), this);
    m_image2->setObjectName("Image2");

    m_lblButtons = new LabelButtonArray(this);
    m_lblButtons->SetAutoAnimate(false);
    const struct {
        const char* caption;
        QRect place;
    } buttons[] = {{"File", {66, 5, 37, 17}},
                   {"Options", {103, 5, 51, 17}},
                   {"View", {156, 5, 38, 17}},
                   {"Playlist", {205, 5, 44, 17}},
                   {"Help", {251, 5, 44, 17}}};
    for (const auto& button : buttons) {
        LabelButton* lbl =
            m_lblButtons->Add(button.caption, button.place, LabelButton::CompactInitialColour());
        lbl->setObjectName(QString("lblButtons%1").arg(lbl->Index()));
    }
    connect(m_lblButtons, &LabelButtonArray::pressed, this, &frmThinPlayer::labelPressed);
    connect(m_lblButtons, &LabelButtonArray::released, this,
            [this](int Index, Qt::MouseButton Button) {
                m_lblButtons->AnimateLabelButton((*m_lblButtons)[Index], Button, true);
            });
    connect(m_lblButtons, &LabelButtonArray::colorsReset, this, [this] {
        m_imgShowVideoHover->hide();
        m_imgShowVideo->show();
    });

    m_lblCurrFile = smallLabel(this, "lblCurrFile", 291, 6);
    m_lblPosition = smallLabel(this, "lblPosition", 291, 16);

    m_imgShowVideoHover = new SkinImage(SkinArt::ShowVideoHover, QRect(376, 6, 22, 18), this);
    m_imgShowVideoHover->setObjectName("imgShowVideoHover");
    m_imgShowVideoHover->setToolTip("Show Video Window");
    m_imgShowVideoHover->hide();
    m_imgShowVideo = new SkinImage(SkinArt::ShowVideo, QRect(402, 6, 22, 18), this);
    m_imgShowVideo->setObjectName("imgShowVideo");
    m_imgShowVideo->setToolTip("Show Video Window");

    m_skinButtonMin = SkinButtonCtl::MakeMinimise(this, 425, 5);
    m_skinButtonMin->setObjectName("skinButtonMin");
    m_skinButtonClose = SkinButtonCtl::MakeClose(this, 440, 4);
    m_skinButtonClose->setObjectName("skinButtonClose");

    // Pointer moves over the background, the icon and the skin buttons put
    // the label buttons and the show-video icon back to normal.
    m_lblButtons->ResetColorsOnMove(m_image1);
    m_lblButtons->ResetColorsOnMove(m_image2);
    connect(m_skinButtonMin, &SkinButtonCtl::mouseMoved, this,
            [this] { SetButtonColors(nullptr); });
    connect(m_skinButtonClose, &SkinButtonCtl::mouseMoved, this,
            [this] { SetButtonColors(nullptr); });

    // A press on the background or on the two texts moves the window.
    connect(m_image1, &SkinImage::pressed, this, [this](Qt::MouseButton Button) {
        if (Button == Qt::LeftButton) {
            DragWithPlaylist();
        }
    });
    m_lblCurrFile->installEventFilter(this);
    m_lblPosition->installEventFilter(this);

    connect(m_image2, &SkinImage::pressed, this,
            [this](Qt::MouseButton) { m_image2->SetBorder(BorderStyle::FixedSingle); });
    connect(m_image2, &SkinImage::released, this,
            [this](Qt::MouseButton) { m_image2->SetBorder(BorderStyle::None); });
    connect(m_image2, &SkinImage::clicked, this, [this] {
        if (m_peers) {
            m_peers->ShowAboutFrom(this);
        }
    });

    connect(m_imgShowVideo, &SkinImage::moved, this, &frmThinPlayer::showVideoHovered);
    // A click that came without a pointer move first (touch, a test)
    // brings the video back as well.
    connect(m_imgShowVideo, &SkinImage::clicked, this, &frmThinPlayer::showVideoClicked);
    connect(m_imgShowVideoHover, &SkinImage::pressed, this,
            [this](Qt::MouseButton) { m_imgShowVideoHover->SetBorder(BorderStyle::FixedSingle); });
    connect(m_imgShowVideoHover, &SkinImage::released, this, [this](Qt::MouseButton) {
        m_imgShowVideoHover->SetBorder(BorderStyle::None);
        SetButtonColors(nullptr);
    });
    connect(m_imgShowVideoHover, &SkinImage::clicked, this, &frmThinPlayer::showVideoClicked);

    connect(m_skinButtonMin, &SkinButtonCtl::clicked, this, &frmThinPlayer::minimiseClicked);
    connect(m_skinButtonClose, &SkinButtonCtl::clicked, this, [this] { close(); });

    m_gui.SetWindowShape(this, static_cast<long>(WindowShape::Rectangle));
}

frmThinPlayer::~frmThinPlayer() = default;

void frmThinPlayer::SetPeers(IThinPlayerPeers* peers) {
    m_peers = peers;
}

void frmThinPlayer::SetDragFunction(std::function<void(QWidget*)> drag) {
    m_drag = std::move(drag);
}

void frmThinPlayer::RemoveFormBorders() {
    m_border.SetClient(this);
    if (!m_border.Titlebar()) {
        return; // the borders are already gone
    }
    QCoreApplication::processEvents();
    m_border.SetSizeable(false);
    m_border.SetControlBox(true);
    m_border.SetTitlebar(false);
    setFixedSize(m_image1->width() - BorderTrim, m_image1->height());
    // The outline follows the window's final size, or the rows the first
    // one left out would be see-through and let clicks pass.
    m_gui.SetWindowShape(this, static_cast<long>(WindowShape::Rectangle));
    if (m_peers && m_peers->PlaylistShown()) {
        if (QWidget* playlist = m_peers->PlaylistWindow()) {
            clsGuiFuncs::PlaceFrame(playlist, DockPoint());
        }
    }
}

QPoint frmThinPlayer::DockPoint() const {
    const QRect frame = frameGeometry();
    return {frame.left(), frame.top() + frame.height()};
}

bool frmThinPlayer::IsDocked(const QWidget* window) const {
    if (!window || !clsGuiFuncs::CanPlaceWindows()) {
        return false;
    }
    // Positions go through whole points: at a fractional scale a corner
    // placed on a device pixel may read back one point off.
    const qreal ratio = devicePixelRatioF();
    const int slack = qFuzzyCompare(ratio, std::round(ratio)) ? 0 : 1;
    const QPoint off = window->frameGeometry().topLeft() - DockPoint();
    return std::abs(off.x()) <= slack && std::abs(off.y()) <= slack;
}

void frmThinPlayer::ShowMenus() {
    for (LabelButton* lbl : m_lblButtons->Buttons()) {
        lbl->show();
    }
}

void frmThinPlayer::labelPressed(int Index, Qt::MouseButton Button) {
    LabelButton* lbl = (*m_lblButtons)[Index];
    QPointer<frmThinPlayer> self(this);
    m_lblButtons->AnimateLabelButton(lbl, Button, false);
    QMenu* menu = m_peers ? m_peers->MainMenu(Index) : nullptr;
    if (menu) {
        // The menu belongs to the main window, hidden in compact mode: where
        // the compositor places popups by the window they come from, it
        // opens as this window's popup.
        QPointer<QMenu> guard(menu);
        QWindow* popup = nullptr;
        if (!clsGuiFuncs::CanPlaceWindows()) {
            menu->winId();
            popup = menu->windowHandle();
        }
        QPointer<QWindow> owner = popup ? popup->transientParent() : nullptr;
        if (popup) {
            popup->setTransientParent(windowHandle());
        }
        menu->exec(mapToGlobal(QPoint(lbl->x(), lbl->y() + lbl->height())));
        if (guard && popup && guard->windowHandle() == popup) {
            popup->setTransientParent(owner);
        }
        // A menu item may have ended the program and with it this window.
        if (!self) {
            return;
        }
        if (Index == 1 && m_peers) {
            m_peers->ShowAppropriateForm();
        }
    }
    if (self) {
        m_lblButtons->AnimateLabelButton(lbl, Button, true);
    }
}

void frmThinPlayer::DragWithPlaylist() {
    QWidget* playlist = nullptr;
    if (m_peers && m_peers->PlaylistShown()) {
        playlist = m_peers->PlaylistWindow();
    }
    const bool docked = IsDocked(playlist);
    QPointer<QWidget> guard(playlist);
    if (m_drag) {
        m_drag(this);
    }
    if (docked && guard) {
        clsGuiFuncs::PlaceFrame(guard, DockPoint());
    }
}

void frmThinPlayer::FollowWindowState(bool bMinimizing) {
    if (!m_peers || !m_peers->PlaylistShown()) {
        return;
    }
    QWidget* playlist = m_peers->PlaylistWindow();
    if (!playlist) {
        return;
    }
    if (bMinimizing || (windowState() & Qt::WindowMinimized)) {
        playlist->hide();
    } else if (!(windowState() & Qt::WindowMaximized)) {
        playlist->showNormal();
    }
}

void frmThinPlayer::SetButtonColors(LabelButton* lblControl) {
    m_lblButtons->SetButtonColors(lblControl); // its colorsReset resets the icon
}

void frmThinPlayer::showVideoHovered() {
    m_imgShowVideoHover->move(m_imgShowVideo->pos());
    m_imgShowVideoHover->show();
    m_imgShowVideo->hide();
}

void frmThinPlayer::showVideoClicked() {
    emit showVideoRequested();
    SetButtonColors(nullptr);
    m_imgShowVideo->hide();
}

void frmThinPlayer::minimiseClicked() {
    clsGuiFuncs::Minimise(this);
    QCoreApplication::processEvents();
    FollowWindowState(true);
}

void frmThinPlayer::ShowCurrentFile(const QString& fileName, const QString& position) {
    m_lblCurrFile->setText(fileName);
    m_lblPosition->setText(position);
    m_lblCurrFile->show();
    m_lblPosition->show();
}

void frmThinPlayer::HideCurrentFile() {
    m_lblCurrFile->hide();
}

void frmThinPlayer::SetShowVideoVisible(bool visible) {
    m_imgShowVideo->setVisible(visible);
    if (visible) {
        m_imgShowVideoHover->hide();
    }
}

void frmThinPlayer::HandleKey(int KeyCode, Qt::KeyboardModifiers Shift) {
    const Qt::KeyboardModifiers held =
        Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (KeyCode == Qt::Key_F4 && held == Qt::AltModifier) {
        close();
    }
}

void frmThinPlayer::keyPressEvent(QKeyEvent* event) {
    HandleKey(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

void frmThinPlayer::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        QCoreApplication::processEvents();
        FollowWindowState(false);
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (m_peers && m_peers->PlaylistShown() && !(windowState() & Qt::WindowMinimized)) {
            if (QWidget* playlist = m_peers->PlaylistWindow()) {
                playlist->show();
            }
        }
    }
}

bool frmThinPlayer::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_lblCurrFile || watched == m_lblPosition) &&
        event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        DragWithPlaylist();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmThinPlayer::closeEvent(QCloseEvent* event) {
    event->ignore(); // the main window's unload takes this window down
    emit closing();
}

} // namespace lumadeck
