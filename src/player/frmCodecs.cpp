#include "player/frmCodecs.h"

#include "player/MediaControl.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/clsGuiFuncs.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTreeWidget>
#include <functional>

namespace lumadeck {

namespace {

// Columns of the list: the two shown and the download address held with
// each row.
enum Column { ColumnName = 0, ColumnInstalled = 1, ColumnUrl = 2 };
constexpr int KeyRole = Qt::UserRole + 1;

// A label that reports presses, so that the window can be moved by it.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void(Qt::MouseButton)> onPress;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLabel::mousePressEvent(event);
        if (onPress) {
            onPress(event->button());
        }
    }
};

} // namespace

frmCodecs::frmCodecs(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("frmCodecs");
    setWindowTitle("List of installed Codecs");
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, SkinArt::FallbackColour());
    setPalette(palette);

    m_image1 = new SkinImage(SkinArt::TitleStrip, QRect(0, 0, ClientWidth, 22), this);
    m_image1->setObjectName("Image1");
    auto* caption = new CaptionLabel("List of all Codecs In this clip", this);
    caption->setObjectName("lblCaption");
    caption->setTextFormat(Qt::PlainText);
    caption->setGeometry(12, 3, 280, 16);
    QFont font = LabelButtons::ButtonFont();
    font.setBold(true);
    caption->setFont(font);
    QPalette captionPalette = caption->palette();
    captionPalette.setColor(QPalette::WindowText, LabelButton::NormalColour());
    caption->setPalette(captionPalette);
    caption->onPress = [this](Qt::MouseButton button) { titlePressed(button); };
    m_lblCaption = caption;
    connect(m_image1, &SkinImage::pressed, this, &frmCodecs::titlePressed);

    m_skinButtonMin = SkinButtonCtl::MakeMinimise(this, ClientWidth - 40, 3);
    m_skinButtonMin->setObjectName("skinButtonMin");
    m_skinButtonClose = SkinButtonCtl::MakeClose(this, ClientWidth - 22, 3);
    m_skinButtonClose->setObjectName("skinButtonClose");
    connect(m_skinButtonMin, &SkinButtonCtl::clicked, this, [this] { showMinimized(); });
    connect(m_skinButtonClose, &SkinButtonCtl::clicked, this, [this] { close(); });

    m_lstCodecs = new QTreeWidget(this);
    m_lstCodecs->setObjectName("lstCodecs");
    m_lstCodecs->setGeometry(8, 28, ClientWidth - 16, ClientHeight - 38);
    m_lstCodecs->setRootIsDecorated(false);
    m_lstCodecs->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstCodecs->setColumnCount(3);
    m_lstCodecs->setHeaderLabels({"Name", "Installed", "Url"});
    m_lstCodecs->setColumnHidden(ColumnUrl, true);
    m_lstCodecs->setColumnWidth(ColumnName, 230);
    m_lstCodecs->header()->setStretchLastSection(true);

    clsGuiFuncs().SetWindowShape(this, static_cast<long>(WindowShape::RoundRect));
}

bool frmCodecs::hasKey(const QString& key) const {
    for (int i = 0; i < m_lstCodecs->topLevelItemCount(); ++i) {
        if (m_lstCodecs->topLevelItem(i)->data(ColumnName, KeyRole).toString() == key) {
            return true;
        }
    }
    return false;
}

void frmCodecs::LoadListOfCodecs(const MediaControl* control) {
    if (!control) {
        return;
    }
    const long count = control->CodecCount();
    for (long i = 1; i <= count; ++i) {
        const QString key = QStringLiteral("Codec%1").arg(i);
        if (hasKey(key)) {
            continue; // the list view refuses a key it already holds
        }
        auto* item = new QTreeWidgetItem;
        item->setData(ColumnName, KeyRole, key);
        item->setText(ColumnName, control->CodecDescription(i));
        item->setText(ColumnInstalled, control->CodecInstalled(i) ? "Installed" : "Not Installed");
        item->setText(ColumnUrl, control->CodecURL(i));
        m_lstCodecs->addTopLevelItem(item);
    }
}

int frmCodecs::RowCount() const {
    return m_lstCodecs->topLevelItemCount();
}

QString frmCodecs::RowKey(int row) const {
    const QTreeWidgetItem* item = m_lstCodecs->topLevelItem(row);
    return item ? item->data(ColumnName, KeyRole).toString() : QString();
}

QString frmCodecs::RowText(int row) const {
    const QTreeWidgetItem* item = m_lstCodecs->topLevelItem(row);
    return item ? item->text(ColumnName) : QString();
}

QString frmCodecs::RowInstalled(int row) const {
    const QTreeWidgetItem* item = m_lstCodecs->topLevelItem(row);
    return item ? item->text(ColumnInstalled) : QString();
}

QString frmCodecs::RowUrl(int row) const {
    const QTreeWidgetItem* item = m_lstCodecs->topLevelItem(row);
    return item ? item->text(ColumnUrl) : QString();
}

void frmCodecs::titlePressed(Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        clsGuiFuncs().DragOBJ(this);
    }
}

void frmCodecs::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmCodecs::closeEvent(QCloseEvent* event) {
    event->accept();
    // Unloaded: the next opening loads a new, empty window.
    deleteLater();
}

} // namespace lumadeck
