// The widget of a window: a Qt widget whose paint, mouse, keyboard and focus events become window messages
// that go through the window's procedure (private to platform/gwes).
#pragma once

#include "window.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QResizeEvent>

#include <utility>

namespace gwes
{

inline constexpr char kHwndProperty[] = "qn40_hwnd";

void SetWidgetWindow(QWidget* widget, HWND hWnd);
WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
UINT VirtualKey(const QKeyEvent* e);
LPARAM KeyLParam(const QKeyEvent* e, bool up);
// A top-level window's widget was moved, resized or minimised by the desktop.
void TopLevelGeometryChanged(HWND hWnd, QWidget* widget);
void TopLevelStateChanged(HWND hWnd, QWidget* widget);
// The window that has the keyboard focus as far as the window services know (also while no window of
// the desktop is active).
void NoteFocus(HWND hWnd);
// Keys a dialog handles itself (Enter, Escape); TRUE when handled.
BOOL DialogKey(HWND hWnd, const QKeyEvent* e);
// Keys seen by the framework's pre-translation first; TRUE when it handled the key.
BOOL PreTranslateKey(HWND hWnd, UINT msg, const QKeyEvent* e);

template <class Base> class Host : public Base
{
public:
    template <class... Args>
    explicit Host(HWND hWnd, Args&&... args) : Base(std::forward<Args>(args)...), m_hwnd(hWnd)
    {
        SetWidgetWindow(this, hWnd);
    }

    HWND hwnd() const { return m_hwnd; }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        PaintThroughProc(m_hwnd, this, e->rect(), [&] { Base::paintEvent(e); });
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        Mouse(e, Down(e->button()), [&] { Base::mousePressEvent(e); });
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        Mouse(e, Up(e->button()), [&] { Base::mouseReleaseEvent(e); });
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        UINT msg = Down(e->button());
        Window* w = Get(m_hwnd);
        if (msg == WM_LBUTTONDOWN && w && (w->cls->style & CS_DBLCLKS))
            msg = WM_LBUTTONDBLCLK;
        Mouse(e, msg, [&] { Base::mouseDoubleClickEvent(e); });
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        Mouse(e, WM_MOUSEMOVE, [&] { Base::mouseMoveEvent(e); });
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (PreTranslateKey(m_hwnd, WM_KEYDOWN, e))
            return e->accept();
        bool swallowed = true;
        RouteThroughProc(m_hwnd, WM_KEYDOWN, VirtualKey(e), KeyLParam(e, false),
                         [&]
                         {
                             swallowed = false;
                             if (e->text().isEmpty())
                                 return Base::keyPressEvent(e);
                             bool charSwallowed = true;
                             RouteThroughProc(m_hwnd, WM_CHAR, e->text().at(0).unicode(), KeyLParam(e, false),
                                              [&]
                                              {
                                                  charSwallowed = false;
                                                  Base::keyPressEvent(e);
                                              });
                             if (charSwallowed)
                                 e->accept();
                         });
        if (swallowed)
            return e->accept();
        if (!e->isAccepted() && DialogKey(m_hwnd, e))
            e->accept();
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        bool swallowed = true;
        RouteThroughProc(m_hwnd, WM_KEYUP, VirtualKey(e), KeyLParam(e, true),
                         [&]
                         {
                             swallowed = false;
                             Base::keyReleaseEvent(e);
                         });
        if (swallowed)
            e->accept();
    }
    void focusInEvent(QFocusEvent* e) override
    {
        NoteFocus(m_hwnd);
        RouteThroughProc(m_hwnd, WM_SETFOCUS, 0, 0, [&] { Base::focusInEvent(e); });
    }
    void focusOutEvent(QFocusEvent* e) override
    {
        RouteThroughProc(m_hwnd, WM_KILLFOCUS, 0, 0, [&] { Base::focusOutEvent(e); });
    }
    void resizeEvent(QResizeEvent* e) override
    {
        Base::resizeEvent(e);
        if (this->isWindow())
            TopLevelGeometryChanged(m_hwnd, this);
    }
    void moveEvent(QMoveEvent* e) override
    {
        Base::moveEvent(e);
        if (this->isWindow())
            TopLevelGeometryChanged(m_hwnd, this);
    }
    void changeEvent(QEvent* e) override
    {
        Base::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange && this->isWindow())
            TopLevelStateChanged(m_hwnd, this);
    }
    void closeEvent(QCloseEvent* e) override
    {
        // The desktop's close button: the window decides (DefWindowProc destroys it, dialogs cancel).
        e->ignore();
        if (Get(m_hwnd))
            Send(m_hwnd, WM_CLOSE, 0, 0);
    }

private:
    static UINT Down(Qt::MouseButton b)
    {
        return b == Qt::RightButton    ? WM_RBUTTONDOWN
               : b == Qt::MiddleButton ? WM_MBUTTONDOWN
                                       : WM_LBUTTONDOWN;
    }
    static UINT Up(Qt::MouseButton b)
    {
        return b == Qt::RightButton ? WM_RBUTTONUP : b == Qt::MiddleButton ? WM_MBUTTONUP : WM_LBUTTONUP;
    }
    template <class Native> void Mouse(QMouseEvent* e, UINT msg, Native native)
    {
        QPoint p = e->position().toPoint();
        RouteThroughProc(m_hwnd, msg, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()),
                         native);
        // Mouse messages belong to the window under the pointer; they do not travel to the parent.
        e->accept();
    }

    HWND m_hwnd;
};

} // namespace gwes
