#include "frmThinPlayer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace lumadeck {

namespace {

QLabel* smallLabel(QWidget* parent, int left, int top) {
    auto* label = new QLabel("Label1", parent);
    label->setGeometry(left, top, 86, 11);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(6.75);
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
    palette.setColor(QPalette::Window, QColor(48, 32, 32));
    setPalette(palette);

    lblCurrFile = smallLabel(this, 291, 4);
    lblCurrFile->setObjectName("lblCurrFile");
    lblPosition = smallLabel(this, 291, 15);
    lblPosition->setObjectName("lblPosition");

    imgShowVideo = new QToolButton(this);
    imgShowVideo->setObjectName("imgShowVideo");
    imgShowVideo->setGeometry(402, 6, 22, 18);
    imgShowVideo->setAutoRaise(true);
    imgShowVideo->setIcon(style()->standardIcon(QStyle::SP_DesktopIcon));
    imgShowVideo->setToolTip("Show Video Window");
    connect(imgShowVideo, &QToolButton::clicked, this, [this] {
        emit showVideoRequested();
        imgShowVideo->hide();
    });
}

void frmThinPlayer::RemoveFormBorders() {
    if (windowFlags() & Qt::FramelessWindowHint) {
        return; // the borders are already gone
    }
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, true);
    setFixedSize(458, 32);
    if (wasVisible) {
        show(); // changing the flags hides a window
    }
}

void frmThinPlayer::ShowMenus() {
    // The menu buttons come with the compact window's skin.
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
}

void frmThinPlayer::closeEvent(QCloseEvent* event) {
    event->ignore(); // the main window's unload takes this window down
    emit closing();
}

} // namespace lumadeck
