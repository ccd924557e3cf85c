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

namespace lumadeck {

namespace {

constexpr int BarWidth = 461; // the background picture's width on the window
constexpr int BarHeight = 32; // and its height
constexpr int BorderTrim = 3; // the window is that much narrower than it

QLabel* smallLabel(QWidget* parent, const QString& name, int left, int top) {
    auto* label = new QLabel("Label1", parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(left, top, 86, 9);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = label->font();
    font.setPixelSize(8);
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

    Image1 = new SkinImage(SkinArt::CompactBar, QRect(0, 0, BarWidth, BarHeight), this);
    Image1->setObjectName("Image1");
    Image2 = new SkinImage(SkinArt::ProgramIcon, QRect(6, 4, 31, 27), this);
    Image2->setObjectName("Image2");

    lblButtons = new LabelButtonArray(this);
    lblButtons->SetAutoAnimate(false);
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
            lblButtons->Add(button.caption, button.place, LabelButton::CompactInitialColour());
        lbl->setObjectName(QString("lblButtons%1").arg(lbl->Index()));
    }
    connect(lblButtons, &LabelButtonArray::pressed, this, &frmThinPlayer::labelPressed);
    connect(lblButtons, &LabelButtonArray::released, this,
            [this](int Index, Qt::MouseButton Button) {
                lblButtons->AnimateLabelButton((*lblButtons)[Index], Button, true);
            });
    connect(lblButtons, &LabelButtonArray::colorsReset, this, [this] {
        imgShowVideoHover->hide();
        imgShowVideo->show();
    });

    lblCurrFile = smallLabel(this, "lblCurrFile", 291, 6);
    lblPosition = smallLabel(this, "lblPosition", 291, 16);

    imgShowVideoHover = new SkinImage(SkinArt::ShowVideoHover, QRect(376, 6, 22, 18), this);
    imgShowVideoHover->setObjectName("imgShowVideoHover");
    imgShowVideoHover->setToolTip("Show Video Window");
    imgShowVideoHover->hide();
    imgShowVideo = new SkinImage(SkinArt::ShowVideo, QRect(402, 6, 22, 18), this);
    imgShowVideo->setObjectName("imgShowVideo");
    imgShowVideo->setToolTip("Show Video Window");

    skinButtonMin = SkinButtonCtl::MakeMinimise(this, 425, 5);
    skinButtonMin->setObjectName("skinButtonMin");
    skinButtonClose = SkinButtonCtl::MakeClose(this, 440, 4);
    skinButtonClose->setObjectName("skinButtonClose");

    // Pointer moves over the background, the icon and the skin buttons put
    // the label buttons and the show-video icon back to normal.
    lblButtons->ResetColorsOnMove(Image1);
    lblButtons->ResetColorsOnMove(Image2);
    connect(skinButtonMin, &SkinButtonCtl::mouseMoved, this, [this] { SetButtonColors(nullptr); });
    connect(skinButtonClose, &SkinButtonCtl::mouseMoved, this,
            [this] { SetButtonColors(nullptr); });

    // A press on the background or on the two texts moves the window.
    connect(Image1, &SkinImage::pressed, this, [this](Qt::MouseButton Button) {
        if (Button == Qt::LeftButton) {
            DragWithPlaylist();
        }
    });
    lblCurrFile->installEventFilter(this);
    lblPosition->installEventFilter(this);

    connect(Image2, &SkinImage::pressed, this,
            [this](Qt::MouseButton) { Image2->SetBorder(BorderStyle::FixedSingle); });
    connect(Image2, &SkinImage::released, this,
            [this](Qt::MouseButton) { Image2->SetBorder(BorderStyle::None); });
    connect(Image2, &SkinImage::clicked, this, [this] {
        if (m_peers) {
            m_peers->ShowAboutFrom(this);
        }
    });

    connect(imgShowVideo, &SkinImage::moved, this, &frmThinPlayer::showVideoHovered);
    // A click that came without a pointer move first (touch, a test)
    // brings the video back as well.
    connect(imgShowVideo, &SkinImage::clicked, this, &frmThinPlayer::showVideoClicked);
    connect(imgShowVideoHover, &SkinImage::pressed, this,
            [this](Qt::MouseButton) { imgShowVideoHover->SetBorder(BorderStyle::FixedSingle); });
    connect(imgShowVideoHover, &SkinImage::released, this, [this](Qt::MouseButton) {
        imgShowVideoHover->SetBorder(BorderStyle::None);
        SetButtonColors(nullptr);
    });
    connect(imgShowVideoHover, &SkinImage::clicked, this, &frmThinPlayer::showVideoClicked);

    connect(skinButtonMin, &SkinButtonCtl::clicked, this, &frmThinPlayer::minimiseClicked);
    connect(skinButtonClose, &SkinButtonCtl::clicked, this, [this] { close(); });

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
    setFixedSize(Image1->width() - BorderTrim, Image1->height());
    if (m_peers && m_peers->PlaylistShown()) {
        if (QWidget* playlist = m_peers->PlaylistWindow()) {
            const QRect frame = frameGeometry();
            playlist->move(frame.left(), frame.top() + frame.height());
        }
    }
}

void frmThinPlayer::ShowMenus() {
    for (LabelButton* lbl : lblButtons->Buttons()) {
        lbl->show();
    }
}

void frmThinPlayer::labelPressed(int Index, Qt::MouseButton Button) {
    LabelButton* lbl = (*lblButtons)[Index];
    QPointer<frmThinPlayer> self(this);
    lblButtons->AnimateLabelButton(lbl, Button, false);
    QMenu* menu = m_peers ? m_peers->MainMenu(Index) : nullptr;
    if (menu) {
        menu->exec(mapToGlobal(QPoint(lbl->x(), lbl->y() + lbl->height())));
        // A menu item may have ended the program and with it this window.
        if (!self) {
            return;
        }
        if (Index == 1 && m_peers) {
            m_peers->ShowAppropriateForm();
        }
    }
    if (self) {
        lblButtons->AnimateLabelButton(lbl, Button, true);
    }
}

void frmThinPlayer::DragWithPlaylist() {
    QWidget* playlist = nullptr;
    if (m_peers && m_peers->PlaylistShown()) {
        playlist = m_peers->PlaylistWindow();
    }
    bool docked = false;
    if (playlist) {
        const QRect frame = frameGeometry();
        const QPoint at = playlist->frameGeometry().topLeft();
        docked = at.x() == frame.left() && at.y() == frame.top() + frame.height();
    }
    QPointer<QWidget> guard(playlist);
    if (m_drag) {
        m_drag(this);
    }
    if (docked && guard) {
        const QRect frame = frameGeometry();
        guard->move(frame.left(), frame.top() + frame.height());
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
    lblButtons->SetButtonColors(lblControl); // its colorsReset resets the icon
}

void frmThinPlayer::showVideoHovered() {
    imgShowVideoHover->move(imgShowVideo->pos());
    imgShowVideoHover->show();
    imgShowVideo->hide();
}

void frmThinPlayer::showVideoClicked() {
    emit showVideoRequested();
    SetButtonColors(nullptr);
    imgShowVideo->hide();
}

void frmThinPlayer::minimiseClicked() {
    showMinimized();
    QCoreApplication::processEvents();
    FollowWindowState(true);
}

void frmThinPlayer::ShowCurrentFile(const QString& fileName, const QString& position) {
    lblCurrFile->setText(fileName);
    lblPosition->setText(position);
    lblCurrFile->show();
    lblPosition->show();
}

void frmThinPlayer::HideCurrentFile() {
    lblCurrFile->hide();
}

void frmThinPlayer::SetShowVideoVisible(bool visible) {
    imgShowVideo->setVisible(visible);
    if (visible) {
        imgShowVideoHover->hide();
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
    if ((watched == lblCurrFile || watched == lblPosition) &&
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
