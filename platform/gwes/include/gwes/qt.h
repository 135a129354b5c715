// The Qt side of the window services, for the graphics support (device contexts on QPainter), the shell
// (notification icon, menus, message boxes) and tests that look at pixels.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

#include <windows.h>

namespace gwes
{

// The widget that shows a window (null for an unknown window), and the window a widget shows.
QWidget* WidgetOf(HWND hWnd);
HWND WindowOf(const QWidget* widget);

// A paint in progress: from the moment the widget of a window is asked to paint until its WM_PAINT has
// been handled. BeginPaint opens the painter (and sends WM_ERASEBKGND), EndPaint closes it.
struct PaintSession
{
    HWND hwnd = nullptr;
    QWidget* widget = nullptr;
    QPainter* painter = nullptr; // valid between BeginPaint and EndPaint
    QRect dirty;                 // the area to repaint, in client coordinates
    bool erased = false;
};
// The paint in progress of a window, or null.
PaintSession* CurrentPaint(HWND hWnd);
// The graphics support makes device contexts for paints: `create` is called by BeginPaint with the open
// session, `release` by EndPaint. Without a factory BeginPaint returns a placeholder handle.
void SetPaintDCFactory(HDC (*create)(PaintSession& session), void (*release)(HDC hDC));
// The painter of a device context made by the factory for a paint session, or null.
QPainter* PainterOfPaintDC(HDC hDC);

// The font of a window (the dialog font for dialogs and their controls) and the font a resource's face
// and point size map to (with Chinese glyphs).
QFont FontOf(HWND hWnd);
QFont MapFont(const std::u16string& face, int pointSize, int weight = 400, bool italic = false);
HFONT FontHandle(const QFont& font);
QFont FontFromHandle(HFONT hFont);

// Icons and bitmaps made by CreateIconFromImages / CreateBitmapFromImage (and LoadIcon / LoadBitmap).
QIcon IconOf(HICON hIcon);
QImage IconImage(HICON hIcon, int size);
QImage BitmapImage(HBITMAP hBitmap);
HBITMAP CreateBitmapFromQImage(const QImage& image);

QColor ToQColor(COLORREF color);

} // namespace gwes
