#include "frmSplash.h"

#include "GradientForm.h"
#include "LabelButton.h"
#include "Regions.h"
#include "SkinArt.h"
#include "clsGuiFuncs.h"
#include "platform/VersionInfo.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace lumadeck {

namespace {

// The title's font: the rounded hand-lettered face the program was designed
// with, with ordinary fallbacks where it is not installed.
QFont titleFont() {
    QFont font;
    font.setFamilies(LabelButtons::SkinFamilies());
    font.setPointSizeF(20.25);
    font.setBold(true);
    return font;
}

} // namespace

frmSplash::frmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads it
    setWindowTitle("Lumadeck Player");
    setFixedSize(ClientWidth, ClientHeight);

    Label1 = makeLabel(7, 11, 437, 41, Qt::white);
    Label1->setObjectName("Label1");
    Label1->setFont(titleFont());
    Label1->setText("Lumadeck Player");

    lblVersion = makeLabel(7, 45, 437, 16, QColor(255, 255, 192));
    lblVersion->setObjectName("lblVersion");

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(204, 67, 38, 33);
    Image1->setScaledContents(true);
    Image1->setPixmap(SkinArt::Load(SkinArt::ProgramIcon, Image1->size()));
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblLegal = makeLabel(7, 164, 437, 65, QColor(192, 255, 192));
    lblLegal->setObjectName("lblLegal");
    lblLegal->setWordWrap(true);

    // Load steps: the outline, then the texts.
    MakeItElliptical();
    lblVersion->setText(VersionText());
    lblLegal->setText(LicenceText());

    // The gradient goes into the persistent background once.
    GradientForm::PaintGradient(this, 70, 50, 50, 0);
    if (!clsGuiFuncs::WindowSystemCutsShapes()) {
        m_paintsOutline = true;
        setAttribute(Qt::WA_TranslucentBackground);
        setAutoFillBackground(false);
    }
}

void frmSplash::paintEvent(QPaintEvent* event) {
    if (m_paintsOutline) {
        QPainter painter(this);
        painter.setClipRegion(mask().isEmpty() ? QRegion(rect()) : mask());
        painter.fillRect(rect(), palette().brush(QPalette::Window));
    }
    QDialog::paintEvent(event);
}

QLabel* frmSplash::makeLabel(int left, int top, int width, int height, const QColor& colour) {
    auto* label = new QLabel(this);
    label->setGeometry(left, top, width, height);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the window
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

void frmSplash::MakeItElliptical() {
    setMask(Regions::RoundRect(width(), height(), 50, 50));
}

QString frmSplash::VersionText() {
    return QString("Ver %1.%2 %3")
        .arg(VersionInfo::Major)
        .arg(VersionInfo::Minor)
        .arg(QString::fromUtf8(VersionInfo::FileDescription));
}

QString frmSplash::LicenceText() {
    return QStringLiteral(
        "Lumadeck Player is free software, released under the GNU General Public License, "
        "version 3 or (at your option) any later version. It comes with ABSOLUTELY NO "
        "WARRANTY; see the file LICENSE for details.");
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    event->accept(); // other keys do nothing
}

void frmSplash::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown as the About window it takes the keyboard, so that Esc reaches
    // it even where no window manager hands it the focus.
    if (isModal()) {
        activateWindow();
        setFocus(Qt::ActiveWindowFocusReason);
    }
}

void frmSplash::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

void frmSplash::closeEvent(QCloseEvent* event) {
    emit unloading();
    QDialog::closeEvent(event);
}

} // namespace lumadeck
