#pragma once

#include <QDialog>

class QLabel;

namespace lumadeck {

// The splash window shown while the program starts, and the About window.
// Borderless, rounded corners, a red gradient behind the program's name,
// version, icon and licence text. A click anywhere or Esc closes it.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 448;
    static constexpr int ClientHeight = 239;

    explicit frmSplash(QWidget* parent = nullptr);

    // Gives the window its outline: its rectangle with corners rounded by a
    // 50 x 50 pixel ellipse.
    void MakeItElliptical();

    // "Ver 2.0 Jun-10-2002" for this build.
    static QString VersionText();
    static QString LicenceText();

    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblLegal = nullptr;

signals:
    // The window is being closed (and so unloaded).
    void unloading();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* makeLabel(int left, int top, int width, int height, const QColor& colour);

    // The window paints its background inside its outline only, the rest
    // see-through (where the window system does not cut the outline).
    bool m_paintsOutline = false;
};

} // namespace lumadeck
