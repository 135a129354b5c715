// The window system's start and end, the colour scheme, fonts and dialog base units, the wait cursor and
// the bookkeeping between widgets and windows.
#include "host.h"

#include <kernel/immortal.h>

#include <commctrl.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QPixmapCache>
#include <QStyleFactory>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace gwes
{

void InstallDispatcher();
void RemoveDispatcher();
void StopStation();

namespace
{

// The application object this library made (null when the program made its own), the nesting of the wait
// cursor and the fonts handed out as HFONT values.
struct AppState
{
    std::unique_ptr<QApplication> ownApp;
    int waitDepth = 0;
    std::vector<QFont> fonts;
    int defaultArgc = 1;
    char programName[5] = "qn40";
    char* defaultArgv[2] = {programName, nullptr};
};

AppState& App()
{
    static ce::Immortal<AppState> app;
    return app.get();
}

// Qt's default is 10 MiB.
constexpr int kPixmapCacheKb = 1024;

void SetUpLook(QApplication& app)
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(style);
    QPalette pal = app.palette();
    pal.setColor(QPalette::Window, ToQColor(SystemColor(COLOR_BTNFACE)));
    pal.setColor(QPalette::Button, ToQColor(SystemColor(COLOR_BTNFACE)));
    pal.setColor(QPalette::Base, ToQColor(SystemColor(COLOR_WINDOW)));
    pal.setColor(QPalette::WindowText, ToQColor(SystemColor(COLOR_WINDOWTEXT)));
    pal.setColor(QPalette::Text, ToQColor(SystemColor(COLOR_WINDOWTEXT)));
    pal.setColor(QPalette::ButtonText, ToQColor(SystemColor(COLOR_BTNTEXT)));
    pal.setColor(QPalette::Highlight, ToQColor(SystemColor(COLOR_HIGHLIGHT)));
    pal.setColor(QPalette::HighlightedText, ToQColor(SystemColor(COLOR_HIGHLIGHTTEXT)));
    pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(SystemColor(COLOR_GRAYTEXT)));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, ToQColor(SystemColor(COLOR_GRAYTEXT)));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(SystemColor(COLOR_GRAYTEXT)));
    app.setPalette(pal);
    app.setFont(DefaultFont());
    // The style keeps the pictures it draws (button faces, frames) in Qt's pixmap cache under keys that
    // name the palette of the widget drawn; every window made again has a palette of its own, so each
    // making adds entries until the cache is full. A handheld's memory is small: the cache stays small.
    QPixmapCache::setCacheLimit(kPixmapCacheKb);
}

void Start()
{
    InstallDispatcher();
    RegisterSystemClasses();
}

BOOL StartApplication(int& argc, char** argv)
{
    if (QCoreApplication::instance())
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return FALSE;
        Start();
        return TRUE;
    }
    // Without a desktop to show on (no X or Wayland display), windows live off screen.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    App().ownApp = std::make_unique<QApplication>(argc, argv);
    SetUpLook(*App().ownApp);
    Start();
    return TRUE;
}

} // namespace

BOOL InitApplication(int& argc, char** argv)
{
    if (!StartApplication(argc, argv))
        return FALSE;
    InstallScreenPresenter();
    return TRUE;
}

BOOL EnsureApplication()
{
    if (QCoreApplication::instance() && qobject_cast<QApplication*>(QCoreApplication::instance()))
    {
        // An application made by someone else (a test's): the window services join it on its thread.
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            Start();
        return TRUE;
    }
    return StartApplication(App().defaultArgc, App().defaultArgv);
}

void ShutdownApplication()
{
    if (!QCoreApplication::instance())
        return;
    std::vector<HWND> windows = AllTopLevel();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (IsWindow(*it))
            DestroyWindow(*it);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    StopStation();
    RemoveDispatcher();
    while (App().waitDepth > 0)
        EndWaitCursor();
    App().ownApp.reset();
}

COLORREF SystemColor(int index)
{
    // The classic scheme of the handheld.
    switch (index)
    {
    case COLOR_SCROLLBAR:
        return RGB(212, 208, 200);
    case COLOR_BACKGROUND:
        return RGB(58, 110, 165);
    case COLOR_ACTIVECAPTION:
        return RGB(10, 36, 106);
    case COLOR_INACTIVECAPTION:
        return RGB(128, 128, 128);
    case COLOR_MENU:
        return RGB(212, 208, 200);
    case COLOR_WINDOW:
        return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
        return RGB(0, 0, 0);
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_INFOTEXT:
    case COLOR_STATICTEXT:
        return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT:
        return RGB(255, 255, 255);
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
    case COLOR_BTNFACE:
    case COLOR_3DLIGHT:
    case COLOR_STATIC:
        return RGB(212, 208, 200);
    case COLOR_APPWORKSPACE:
        return RGB(128, 128, 128);
    case COLOR_HIGHLIGHT:
        return RGB(10, 36, 106);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return RGB(128, 128, 128);
    case COLOR_INACTIVECAPTIONTEXT:
        return RGB(212, 208, 200);
    case COLOR_3DDKSHADOW:
        return RGB(64, 64, 64);
    case COLOR_INFOBK:
        return RGB(255, 255, 225);
    default:
        return RGB(0, 0, 0);
    }
}

QColor ToQColor(COLORREF color)
{
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QFont MapFont(const std::u16string&, int pointSize, int weight, bool italic)
{
    // Every dialog face ("MS Sans Serif", "Tahoma", "System" ...) maps to one face that has the Chinese
    // glyphs too; sizes are points at the handheld's 96 dots per inch.
    QFont f;
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("DejaVu Sans")});
    int px = (std::max(pointSize, 1) * 96 + 36) / 72;
    f.setPixelSize(px);
    f.setBold(weight >= 600);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont DefaultFont()
{
    return MapFont(u"Tahoma", 8);
}

LONG BaseUnitsOf(const QFont& font)
{
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int cx = (width / 26 + 1) / 2;
    int cy = fm.height();
    return MAKELONG(std::max(cx, 1), std::max(cy, 1));
}

HFONT FontHandle(const QFont& font)
{
    std::vector<QFont>& fonts = App().fonts;
    auto it = std::find(fonts.begin(), fonts.end(), font);
    if (it == fonts.end())
        it = fonts.insert(fonts.end(), font);
    return reinterpret_cast<HFONT>(static_cast<uintptr_t>(0x20000000 + (it - fonts.begin())));
}

QFont FontFromHandle(HFONT hFont)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(hFont);
    const std::vector<QFont>& fonts = App().fonts;
    if (v >= 0x20000000 && v - 0x20000000 < fonts.size())
        return fonts[v - 0x20000000];
    return DefaultFont();
}

QFont FontOf(HWND hWnd)
{
    for (Window* w = Get(hWnd); w; w = Get(w->parent))
        if (w->font)
            return FontFromHandle(w->font);
    return DefaultFont();
}

LONG DialogBaseUnits(HWND hDlg)
{
    Window* w = Get(hDlg);
    if (w && w->baseUnits)
        return w->baseUnits;
    return BaseUnitsOf(FontOf(hDlg));
}

void BeginWaitCursor()
{
    if (!EnsureApplication())
        return;
    if (App().waitDepth++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void EndWaitCursor()
{
    if (App().waitDepth <= 0)
        return;
    if (--App().waitDepth == 0)
        QApplication::restoreOverrideCursor();
}

int WaitCursorDepth()
{
    return App().waitDepth;
}

void SetWidgetWindow(QWidget* widget, HWND hWnd)
{
    if (widget)
        widget->setProperty(kHwndProperty,
                            QVariant::fromValue<qulonglong>(reinterpret_cast<uintptr_t>(hWnd)));
}

HWND WindowOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
    {
        QVariant v = w->property(kHwndProperty);
        if (v.isValid() && v.toULongLong())
            return reinterpret_cast<HWND>(static_cast<uintptr_t>(v.toULongLong()));
    }
    return nullptr;
}

QWidget* WidgetOf(HWND hWnd)
{
    Window* w = Get(hWnd);
    return w ? w->widget.data() : nullptr;
}

WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    WPARAM k = 0;
    if (buttons & Qt::LeftButton)
        k |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        k |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        k |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        k |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        k |= MK_CONTROL;
    return k;
}

UINT VirtualKey(const QKeyEvent* e)
{
    int k = e->key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<UINT>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return static_cast<UINT>('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return static_cast<UINT>(VK_F1 + (k - Qt::Key_F1));
    switch (k)
    {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    default:
        return static_cast<UINT>(k & 0xFF);
    }
}

LPARAM KeyLParam(const QKeyEvent* e, bool up)
{
    LPARAM l = 1; // repeat count
    l |= static_cast<LPARAM>(e->nativeScanCode() & 0xFF) << 16;
    if (e->isAutoRepeat())
        l |= static_cast<LPARAM>(1) << 30;
    if (up)
        l |= static_cast<LPARAM>(3) << 30;
    return l;
}

} // namespace gwes

void InitCommonControls()
{
    gwes::EnsureApplication();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce)
{
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return gwes::EnsureApplication();
}
