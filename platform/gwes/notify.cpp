// The notification icon: a Qt tray icon where the desktop has a tray, otherwise a small taskbar window
// that shows the icon, so the program stays reachable. A tap posts the owner its callback message with
// (uID, WM_LBUTTONDOWN).
#include "host.h"

#include <gwes/shell.h>
#include <kernel/immortal.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSystemTrayIcon>

#include <map>
#include <memory>
#include <mutex>

namespace gwes
{
namespace
{

// The taskbar stand-in: a small frameless window showing the icon; a press is a tap.
class TaskbarIcon : public QLabel
{
public:
    TaskbarIcon(HWND owner, UINT id) : m_owner(owner), m_id(id)
    {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setFixedSize(24, 24);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        e->accept();
        TapNotifyIcon(m_owner, m_id);
    }

private:
    HWND m_owner;
    UINT m_id;
};

struct Icon
{
    NotifyIconInfo info;
    std::unique_ptr<QSystemTrayIcon> tray;
    std::unique_ptr<TaskbarIcon> taskbar;
};

// The icons shown, and the resources icons were loaded from (LoadIcon notes them from any thread).
struct NotifyState
{
    std::map<std::pair<HWND, UINT>, Icon> icons;
    bool cleanupRegistered = false;
    std::mutex numbersLock;
    std::map<uintptr_t, int> numbers;
};

NotifyState& State()
{
    static ce::Immortal<NotifyState> state;
    return state.get();
}

void RemoveAll()
{
    State().icons.clear();
    State().cleanupRegistered = false;
}

void Show(Icon& icon)
{
    QIcon qicon = IconOf(icon.info.icon);
    QString tip = ToQString(icon.info.tip);
    if (QSystemTrayIcon::isSystemTrayAvailable())
    {
        if (!icon.tray)
        {
            icon.tray = std::make_unique<QSystemTrayIcon>();
            HWND owner = icon.info.owner;
            UINT id = icon.info.id;
            QObject::connect(icon.tray.get(), &QSystemTrayIcon::activated,
                             [owner, id](QSystemTrayIcon::ActivationReason) { TapNotifyIcon(owner, id); });
        }
        icon.tray->setIcon(qicon);
        icon.tray->setToolTip(tip);
        icon.tray->show();
        return;
    }
    if (!icon.taskbar)
        icon.taskbar = std::make_unique<TaskbarIcon>(icon.info.owner, icon.info.id);
    icon.taskbar->setPixmap(QPixmap::fromImage(IconImage(icon.info.icon, 16)));
    icon.taskbar->setToolTip(tip);
    icon.taskbar->setWindowTitle(tip);
    icon.taskbar->show();
}

void Apply(Icon& icon, const NOTIFYICONDATAW& data)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.info.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
    {
        icon.info.icon = data.hIcon;
        icon.info.iconNumber = IconResourceNumber(data.hIcon);
    }
    if (data.uFlags & NIF_TIP)
    {
        size_t n = 0;
        while (n < std::size(data.szTip) && data.szTip[n])
            ++n;
        icon.info.tip.assign(data.szTip, n);
    }
}

} // namespace

void NoteIconResource(HICON hIcon, int number)
{
    NotifyState& state = State();
    std::lock_guard lock(state.numbersLock);
    state.numbers[reinterpret_cast<uintptr_t>(hIcon)] = number;
}

int IconResourceNumber(HICON hIcon)
{
    NotifyState& state = State();
    std::lock_guard lock(state.numbersLock);
    auto it = state.numbers.find(reinterpret_cast<uintptr_t>(hIcon));
    return it == state.numbers.end() ? 0 : it->second;
}

std::vector<NotifyIconInfo> NotifyIcons()
{
    std::vector<NotifyIconInfo> out;
    for (const auto& [key, icon] : State().icons)
        out.push_back(icon.info);
    return out;
}

BOOL TapNotifyIcon(HWND owner, UINT id)
{
    auto it = State().icons.find({owner, id});
    if (it == State().icons.end() || !it->second.info.callbackMessage)
        return FALSE;
    return PostMessageW(owner, it->second.info.callbackMessage, id, WM_LBUTTONDOWN);
}

} // namespace gwes

using namespace gwes;

BOOL Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData)
{
    // The record's size is not checked against this build's: callers give the handheld's 152 bytes.
    if (!lpData || lpData->cbSize < offsetof(NOTIFYICONDATAW, hIcon) || !IsWindow(lpData->hWnd))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto key = std::make_pair(lpData->hWnd, lpData->uID);
    auto& icons = State().icons;
    auto it = icons.find(key);
    switch (dwMessage)
    {
    case NIM_ADD:
    {
        if (it != icons.end() || !EnsureApplication())
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!State().cleanupRegistered)
        {
            // The icons' widgets must go before the application object.
            qAddPostRoutine(RemoveAll);
            State().cleanupRegistered = true;
        }
        Icon& icon = icons[key];
        icon.info.owner = lpData->hWnd;
        icon.info.id = lpData->uID;
        icon.info.visible = true;
        Apply(icon, *lpData);
        Show(icon);
        return TRUE;
    }
    case NIM_MODIFY:
        if (it == icons.end())
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Apply(it->second, *lpData);
        Show(it->second);
        return TRUE;
    case NIM_DELETE:
        if (it == icons.end())
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        icons.erase(it);
        return TRUE;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}
