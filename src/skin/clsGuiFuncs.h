#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QString>
#include <optional>

class QWidget;

namespace lumadeck {

// Outlines of SetWindowShape, by their codes.
enum class WindowShape : long { Ellipse = 0, RoundRect = 1, Diamond = 2, Rectangle = 3 };

// Window shapes, moving and sizing by mouse, staying on top and the gradient
// background of the skinned windows. One instance per window that needs it.
// All operations accept a null window and then do nothing.
class clsGuiFuncs {
public:
    // The region of a shape for a window of w x h pixels, in window
    // coordinates: 0 the ellipse inside (0,0)-(w,h); 1 that rectangle with
    // corners rounded by a 20 x 20 ellipse; 2 the diamond through (w/2, 0),
    // (0, h/2), (w/2, h), (w, h/2), halves truncated; 3 the whole rectangle.
    // Any other code gives no region.
    static std::optional<QRegion> ShapeRegion(int w, int h, long Shape);

    // Gives the window that shape (its mask, so the cut-away parts let
    // clicks through to what lies behind). Any other code removes a shape the
    // window had.
    void SetWindowShape(QWidget* hWnd, long Shape);

    // The pixels of the picture whose colour differs from cTransparent (the
    // red, green and blue values compared exactly; alpha is not looked at).
    // A null picture gives an empty region. Linear in the picture's size.
    static QRegion GetBitmapRegion(const QImage& cPicture, const QColor& cTransparent);

    // Shapes the window to its own background picture (the one set with
    // SetSkinPicture, or else its palette's window brush texture), with
    // cTransparent cut away. An empty result removes any shape.
    void SetRegion(QWidget* cc, const QColor& cTransparent);
    // The picture SetRegion uses for a window.
    static void SetSkinPicture(QWidget* cc, const QImage& picture);
    static QImage SkinPicture(const QWidget* cc);

    // Lets the user move the window with the mouse, as if its title bar had
    // been dragged; returns when the mouse button is released. Where the
    // window system does not move windows itself (no window manager), the
    // window follows the pointer (X servers). Returns at once when no button
    // is held, and on platforms that can neither move the window nor report
    // the pointer (offscreen).
    void DragOBJ(QWidget* f);

    // Lets the user resize the window from an edge or corner: "T", "B", "L",
    // "R", "TL", "TR", "BL", "BR" in any letter case. Other codes do nothing.
    void SizeOBJ(QWidget* f, const QString& act);
    // The edges a code stands for; nothing for an unknown code.
    static std::optional<Qt::Edges> EdgesFor(const QString& act);

    // 1: keep the window above the others; 0: end that; any other value:
    // nothing. Keeps position and size, and shows the window.
    void FormOnTop(QWidget* ff, long flag);

    // Whether the window system lets the program place its top-level
    // windows. A Wayland compositor places them itself: there windows are
    // neither docked nor moved under one another, and are moved by the user
    // through the compositor.
    static bool CanPlaceWindows();

    // Minimises the window (its skin's minimise button).
    static void Minimise(QWidget* window);
    // Brings a window back in front of the user: restored from the taskbar,
    // raised and active. A Wayland compositor reports no minimised state
    // and takes no request to restore: there a window that Minimise sent
    // away is shown anew, which the compositor maps restored, where it
    // chooses.
    static void BringBack(QWidget* window);

    // Whether the window system cuts a shaped window's outline on the
    // screen (X11's shape extension). A Wayland compositor takes a shape only
    // as the part that receives input: the cut-away parts are to be painted
    // see-through by the window itself.
    static bool WindowSystemCutsShapes();

    // Puts the window's outer top-left corner (its frame's, title bar
    // included, where a window manager gives it one) at a screen point, so
    // that a frame never covers what lies above or beside it. Does nothing
    // where windows cannot be placed.
    static void PlaceFrame(QWidget* window, QPoint frameTopLeft);

    // The gradient background of GradientForm::PaintGradient.
    void RedrawForm(QWidget* form, long Red, long Green, long Blue, long lGradient);
};

} // namespace lumadeck
