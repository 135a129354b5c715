// The system window classes: dialogs and the standard and common controls.
#include "host.h"

namespace gwes
{
namespace
{

QWidget* MakeDialog(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    w.isDialog = true;
    auto* widget = new Host<QWidget>(w.hwnd, parent);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, ToQColor(SystemColor(COLOR_BTNFACE)));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
    return widget;
}

LRESULT CALLBACK ScrollBarProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

} // namespace

void RegisterDialogClass()
{
    RegisterSystemClass(u"#32770", DefDlgProcW, MakeDialog, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void RegisterSystemClasses()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterDialogClass();
    RegisterStaticClass();
    RegisterButtonClass();
    RegisterEditClass();
    RegisterComboClasses();
    RegisterProgressClass();
    RegisterTabClass();
    RegisterSystemClass(u"ScrollBar", ScrollBarProc, nullptr);
}

} // namespace gwes
