// The shell side of the window services: the notification icons, pop-up menus, message boxes, file dialogs
// and opening addresses, and the automation that reads and drives them (no Qt here).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gwes
{

// ----- Notification icons
struct NotifyIconInfo
{
    HWND owner = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0; // 0: none
    HICON icon = nullptr;
    int iconNumber = 0; // the resource the icon was loaded from (0: not from a numbered resource)
    std::u16string tip;
    bool visible = false;
};
std::vector<NotifyIconInfo> NotifyIcons();
// A tap on an icon: its owner is posted (uID, WM_LBUTTONDOWN) with the icon's callback message. FALSE when
// there is no such icon or it has no callback message.
BOOL TapNotifyIcon(HWND owner, UINT id);
// Remembers the resource an icon was loaded from (LoadIcon does this), and reads it back.
void NoteIconResource(HICON hIcon, int number);
int IconResourceNumber(HICON hIcon);

// ----- Pop-up menus
struct MenuItemInfo
{
    UINT id = 0;    // command; 0 for separators and sub-menus
    UINT flags = 0; // MF_SEPARATOR, MF_POPUP, MF_CHECKED, MF_GRAYED, MFT_RADIOCHECK
    std::u16string text;
    std::vector<MenuItemInfo> children; // sub-menu items
};
// The items of a menu (with its sub-menus).
std::vector<MenuItemInfo> MenuItems(HMENU hMenu);
// The menu TrackPopupMenu shows right now (the innermost), or null.
HMENU OpenPopupMenu();
// Chooses a command of the open pop-up menu, as a tap on it would (sub-menus are searched); FALSE when
// no menu is open or it has no enabled item with that command.
BOOL ChooseOpenMenuItem(UINT id);
// Dismisses the open pop-up menu (TrackPopupMenu returns 0).
BOOL DismissOpenMenu();

// ----- Message boxes on the screen: a real box in a nested loop (MessageBoxW's screen presenter).
int ShowMessageBox(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type);
struct OpenMessageBox
{
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
    std::vector<int> buttons; // IDOK, IDCANCEL, ... in the order shown
};
std::optional<OpenMessageBox> CurrentMessageBox();
// Answers the open box with a button it has; FALSE when none is open or it has no such button.
BOOL AnswerMessageBox(int button);

// ----- File dialogs (the framework's CFileDialog runs on this)
struct FileDialogRequest
{
    bool open = true;
    HWND owner = nullptr;
    std::u16string title;
    std::u16string defaultExt;  // without the dot
    std::u16string initialName; // a name, a path, or a pattern such as *.txt
    std::u16string initialDir;
    std::vector<std::pair<std::u16string, std::u16string>> filters; // (description, patterns)
    bool mustExist = false;
};
// The chosen path (with the default extension added when the name has none); nullopt when cancelled.
std::optional<std::u16string> RunFileDialog(const FileDialogRequest& request);
// The open file dialog's request, and answering it (an empty path cancels). FALSE when none is open or
// the path is refused (a file that must exist does not).
std::optional<FileDialogRequest> CurrentFileDialog();
BOOL AnswerFileDialog(const std::u16string& path);

// ----- Opening addresses (ShellExecuteEx). Tests replace the desktop's handler.
using UrlOpener = std::function<bool(const std::u16string& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);

// ----- Automation: one command with its arguments (UTF-8), as `uictl` sends it. ok is false with the
// reason in output when the command failed.
struct AutomationReply
{
    bool ok = false;
    std::string output;
};
AutomationReply Automate(const std::vector<std::string>& args);
// The request handler of the window station: a request is the arguments separated by NUL bytes; the
// answer starts with "OK\n" or "ERR\n".
std::vector<uint8_t> AutomationRequest(const std::vector<uint8_t>& request);

} // namespace gwes
