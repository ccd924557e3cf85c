#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace lumadeck {

class MediaControl;
class SkinButtonCtl;
class SkinImage;

// The codec list window: a small rounded skinned window listing the codecs
// the media control names for the open clip, whether each is installed, and
// (held with each row, not shown as a column) where it can be obtained.
class frmCodecs : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 360;
    static constexpr int ClientHeight = 200;

    explicit frmCodecs(QWidget* parent = nullptr);

    // Adds one row per codec of the control's clip, keyed "Codec" + its
    // number. The list is not cleared first: a row whose key is already
    // there is skipped, so an open window keeps the rows it shows.
    void LoadListOfCodecs(const MediaControl* control);

    // ---- Queries
    int RowCount() const;
    // The row's key, description, "Installed"/"Not Installed" and address;
    // "" outside the rows.
    QString RowKey(int row) const;
    QString RowText(int row) const;
    QString RowInstalled(int row) const;
    QString RowUrl(int row) const;
    QTreeWidget* List() const { return m_lstCodecs; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void titlePressed(Qt::MouseButton button);
    bool hasKey(const QString& key) const;

    SkinImage* m_image1 = nullptr;
    QLabel* m_lblCaption = nullptr;
    QTreeWidget* m_lstCodecs = nullptr;
    SkinButtonCtl* m_skinButtonMin = nullptr;
    SkinButtonCtl* m_skinButtonClose = nullptr;
};

} // namespace lumadeck
