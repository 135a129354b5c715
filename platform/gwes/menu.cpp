// Menus: menu objects with items and sub-menus, and TrackPopupMenu on a QMenu in a nested loop. While a
// pop-up is open, automation can read its items and choose one.
#include "host.h"

#include <gwes/shell.h>
#include <kernel/immortal.h>

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <map>
#include <mutex>

namespace gwes
{
namespace
{

struct Item
{
    UINT flags = 0;
    UINT id = 0;
    HMENU sub = nullptr;
    std::u16string text;
};

struct Menu
{
    std::vector<Item> items;
};

struct Menus
{
    std::recursive_mutex lock;
    std::map<uintptr_t, Menu> menus;
    uintptr_t next = 0x60000000;
};

Menus& TheMenus()
{
    static ce::Immortal<Menus> menus;
    return menus.get();
}

Menu* FindMenu(HMENU h)
{
    auto& m = TheMenus().menus;
    auto it = m.find(reinterpret_cast<uintptr_t>(h));
    return it == m.end() ? nullptr : &it->second;
}

// The item a position or command names; by command the sub-menus are searched too.
Item* Locate(HMENU hMenu, UINT uPosition, UINT uFlags, HMENU* owner = nullptr, int depth = 0)
{
    Menu* m = FindMenu(hMenu);
    if (!m || depth > 16)
        return nullptr;
    if (uFlags & MF_BYPOSITION)
    {
        if (uPosition >= m->items.size())
            return nullptr;
        if (owner)
            *owner = hMenu;
        return &m->items[uPosition];
    }
    for (Item& item : m->items)
    {
        if (!(item.flags & MF_POPUP) && !(item.flags & MF_SEPARATOR) && item.id == uPosition)
        {
            if (owner)
                *owner = hMenu;
            return &item;
        }
        if (item.flags & MF_POPUP)
            if (Item* found = Locate(item.sub, uPosition, uFlags, owner, depth + 1))
                return found;
    }
    return nullptr;
}

bool MakeItem(UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem, Item* item)
{
    item->flags = uFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR | MF_MENUBREAK |
                            MF_MENUBARBREAK | MFT_RADIOCHECK | MF_DEFAULT);
    item->text.clear();
    item->sub = nullptr;
    item->id = 0;
    if (uFlags & MF_POPUP)
    {
        item->sub = reinterpret_cast<HMENU>(uIDNewItem);
        if (!FindMenu(item->sub))
            return false;
    }
    else if (!(uFlags & MF_SEPARATOR))
    {
        item->id = static_cast<UINT>(uIDNewItem);
    }
    if (!(uFlags & MF_SEPARATOR) && lpNewItem)
        item->text = lpNewItem;
    return true;
}

struct OpenPopup
{
    HMENU menu = nullptr;
    QPointer<QMenu> qmenu;
    UINT chosen = 0;
    std::map<UINT, QAction*> actions;
};
std::vector<OpenPopup*> g_open;

void Fill(QMenu& qmenu, HMENU hMenu, OpenPopup& open, int depth)
{
    std::vector<Item> items;
    {
        std::lock_guard lock(TheMenus().lock);
        if (Menu* m = FindMenu(hMenu))
            items = m->items;
    }
    for (const Item& item : items)
    {
        if (item.flags & MF_SEPARATOR)
        {
            qmenu.addSeparator();
            continue;
        }
        QString text = DisplayText(item.text, true);
        if (item.flags & MF_POPUP)
        {
            QMenu* sub = qmenu.addMenu(text);
            if (depth < 16)
                Fill(*sub, item.sub, open, depth + 1);
            sub->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            continue;
        }
        QAction* action = qmenu.addAction(text);
        action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
        if (item.flags & MF_CHECKED)
        {
            action->setCheckable(true);
            action->setChecked(true);
        }
        UINT id = item.id;
        OpenPopup* target = &open;
        QObject::connect(action, &QAction::triggered, [target, id] { target->chosen = id; });
        open.actions.emplace(id, action);
    }
}

std::vector<MenuItemInfo> Describe(HMENU hMenu, int depth)
{
    std::vector<MenuItemInfo> out;
    Menu* m = FindMenu(hMenu);
    if (!m || depth > 16)
        return out;
    for (const Item& item : m->items)
    {
        MenuItemInfo info{item.id, item.flags, item.text, {}};
        if (item.flags & MF_POPUP)
            info.children = Describe(item.sub, depth + 1);
        out.push_back(std::move(info));
    }
    return out;
}

void DestroyTree(HMENU hMenu, int depth)
{
    auto& menus = TheMenus().menus;
    auto it = menus.find(reinterpret_cast<uintptr_t>(hMenu));
    if (it == menus.end() || depth > 16)
        return;
    std::vector<Item> items = std::move(it->second.items);
    menus.erase(it);
    for (const Item& item : items)
        if (item.flags & MF_POPUP)
            DestroyTree(item.sub, depth + 1);
}

HMENU NewMenu()
{
    Menus& t = TheMenus();
    std::lock_guard lock(t.lock);
    uintptr_t h = t.next++;
    t.menus.emplace(h, Menu{});
    return reinterpret_cast<HMENU>(h);
}

} // namespace

std::vector<MenuItemInfo> MenuItems(HMENU hMenu)
{
    std::lock_guard lock(TheMenus().lock);
    return Describe(hMenu, 0);
}

HMENU OpenPopupMenu()
{
    return g_open.empty() ? nullptr : g_open.back()->menu;
}

BOOL ChooseOpenMenuItem(UINT id)
{
    if (g_open.empty())
        return FALSE;
    OpenPopup& open = *g_open.back();
    auto it = open.actions.find(id);
    if (it == open.actions.end() || !it->second->isEnabled())
        return FALSE;
    open.chosen = id;
    if (open.qmenu)
        open.qmenu->close();
    return TRUE;
}

BOOL DismissOpenMenu()
{
    if (g_open.empty())
        return FALSE;
    g_open.back()->chosen = 0;
    if (g_open.back()->qmenu)
        g_open.back()->qmenu->close();
    return TRUE;
}

} // namespace gwes

using namespace gwes;

HMENU CreateMenu()
{
    return NewMenu();
}

HMENU CreatePopupMenu()
{
    return NewMenu();
}

BOOL DestroyMenu(HMENU hMenu)
{
    std::lock_guard lock(TheMenus().lock);
    if (!FindMenu(hMenu))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Its sub-menus go with it.
    DestroyTree(hMenu, 0);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu)
{
    std::lock_guard lock(TheMenus().lock);
    return FindMenu(hMenu) ? TRUE : FALSE;
}

BOOL InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    std::lock_guard lock(TheMenus().lock);
    Menu* m = FindMenu(hMenu);
    Item item;
    if (!m || !MakeItem(uFlags, uIDNewItem, lpNewItem, &item))
    {
        SetLastError(m ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    size_t at = m->items.size();
    if (uFlags & MF_BYPOSITION)
    {
        at = std::min<size_t>(uPosition, m->items.size()); // (UINT)-1 appends
    }
    else if (uPosition != static_cast<UINT>(-1))
    {
        HMENU owner = nullptr;
        Item* before = Locate(hMenu, uPosition, MF_BYCOMMAND, &owner);
        if (!before)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        m = FindMenu(owner);
        at = static_cast<size_t>(before - m->items.data());
    }
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return TRUE;
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    return InsertMenuW(hMenu, static_cast<UINT>(-1), uFlags | MF_BYPOSITION, uIDNewItem, lpNewItem);
}

BOOL ModifyMenuW(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    std::lock_guard lock(TheMenus().lock);
    Item* item = Locate(hMnu, uPosition, uFlags);
    Item replacement;
    if (!item || !MakeItem(uFlags, uIDNewItem, lpNewItem, &replacement))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A sub-menu that is replaced goes away, as it does on Windows.
    if ((item->flags & MF_POPUP) && item->sub != replacement.sub)
        DestroyTree(item->sub, 0);
    *item = std::move(replacement);
    return TRUE;
}

namespace
{
BOOL Remove(HMENU hMenu, UINT uPosition, UINT uFlags, bool destroySub)
{
    std::lock_guard lock(TheMenus().lock);
    HMENU owner = nullptr;
    Item* item = Locate(hMenu, uPosition, uFlags, &owner);
    if (!item)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (destroySub && (item->flags & MF_POPUP))
        DestroyTree(item->sub, 0);
    Menu* m = FindMenu(owner);
    m->items.erase(m->items.begin() + (item - m->items.data()));
    return TRUE;
}
} // namespace

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return Remove(hMenu, uPosition, uFlags, true);
}

BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return Remove(hMenu, uPosition, uFlags, false);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    std::lock_guard lock(TheMenus().lock);
    Item* item = Locate(hMenu, uIDCheckItem, uCheck);
    if (!item)
        return static_cast<DWORD>(-1);
    DWORD previous = item->flags & MF_CHECKED;
    item->flags = (item->flags & ~static_cast<UINT>(MF_CHECKED)) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL CheckMenuRadioItem(HMENU hmenu, UINT first, UINT last, UINT check, UINT flags)
{
    std::lock_guard lock(TheMenus().lock);
    if (first > last || check < first || check > last)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool found = false;
    for (UINT i = first;; ++i)
    {
        if (Item* item = Locate(hmenu, i, flags); item && !(item->flags & (MF_POPUP | MF_SEPARATOR)))
        {
            if (i == check)
            {
                item->flags |= MF_CHECKED | MFT_RADIOCHECK;
                found = true;
            }
            else
            {
                item->flags &= ~static_cast<UINT>(MF_CHECKED);
            }
        }
        if (i == last)
            break;
    }
    if (!found)
        SetLastError(ERROR_INVALID_PARAMETER);
    return found ? TRUE : FALSE;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    std::lock_guard lock(TheMenus().lock);
    Item* item = Locate(hMenu, uIDEnableItem, uEnable);
    if (!item)
        return -1;
    BOOL previous = static_cast<BOOL>(item->flags & (MF_GRAYED | MF_DISABLED));
    item->flags =
        (item->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    std::lock_guard lock(TheMenus().lock);
    Menu* m = FindMenu(hMenu);
    if (!m || nPos < 0 || static_cast<size_t>(nPos) >= m->items.size())
        return nullptr;
    const Item& item = m->items[static_cast<size_t>(nPos)];
    return (item.flags & MF_POPUP) ? item.sub : nullptr;
}

int GetMenuItemCount(HMENU hMenu)
{
    std::lock_guard lock(TheMenus().lock);
    Menu* m = FindMenu(hMenu);
    if (!m)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    std::lock_guard lock(TheMenus().lock);
    Menu* m = FindMenu(hMenu);
    if (!m || nPos < 0 || static_cast<size_t>(nPos) >= m->items.size())
        return static_cast<UINT>(-1);
    const Item& item = m->items[static_cast<size_t>(nPos)];
    return (item.flags & MF_POPUP) ? static_cast<UINT>(-1) : item.id;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    std::lock_guard lock(TheMenus().lock);
    Item* item = Locate(hMenu, uId, uFlags);
    if (!item)
        return static_cast<UINT>(-1);
    UINT state = item->flags & ~static_cast<UINT>(MFT_RADIOCHECK);
    if (item->flags & MF_POPUP)
        if (Menu* sub = FindMenu(item->sub))
            state = (state & 0xFF) | (static_cast<UINT>(sub->items.size()) << 8);
    return state;
}

int GetMenuStringW(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int cchMax, UINT flags)
{
    std::lock_guard lock(TheMenus().lock);
    Item* item = Locate(hMenu, uIDItem, flags);
    if (!item)
        return 0;
    int n = static_cast<int>(item->text.size());
    if (!lpString || cchMax <= 0)
        return n;
    n = std::min(n, cchMax - 1);
    std::copy_n(item->text.data(), n, lpString);
    lpString[n] = 0;
    return n;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*)
{
    if (!IsMenu(hMenu) || !EnsureApplication())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    OpenPopup open;
    open.menu = hMenu;
    QMenu qmenu;
    Fill(qmenu, hMenu, open, 0);
    open.qmenu = &qmenu;
    g_open.push_back(&open);
    qmenu.exec(QPoint(x, y));
    g_open.erase(std::remove(g_open.begin(), g_open.end(), &open), g_open.end());
    UINT chosen = open.chosen;
    if (uFlags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen && !(uFlags & TPM_NONOTIFY) && IsWindow(hWnd))
        PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return chosen ? TRUE : FALSE;
}

BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hwnd, LPVOID)
{
    return TrackPopupMenu(hMenu, uFlags, x, y, 0, hwnd, nullptr);
}

BOOL EndMenu()
{
    return DismissOpenMenu();
}
