// The window calls that read a module's resources: icons, bitmaps, menus and dialogs by name, and the
// pictures that dialog templates name by ordinal.
#include "window.h"

#include <gwes/gwes.h>
#include <gwes/shell.h>
#include <kernel/resource.h>

#include <map>
#include <mutex>

namespace gwes
{
namespace
{

struct IconCache
{
    std::mutex lock;
    std::map<std::pair<const void*, std::u16string>, HICON> icons;
};

IconCache& Icons()
{
    static IconCache* cache = new IconCache;
    return *cache;
}

std::u16string Key(const ce::res::ResName& name)
{
    return name.isOrdinal ? u"#" + std::u16string(1, static_cast<char16_t>(name.ordinal)) : name.name;
}

// The size of an in-memory template: that of the resource it lies in, when it is one.
size_t TemplateSize(const void* p)
{
    if (size_t n = ce::res::BytesToEndOfResource(p))
        return n;
    return 0x10000; // a template built by the program: it ends where its last item ends
}

INT_PTR RunModal(HWND hDlg)
{
    if (!hDlg)
        return -1;
    INT_PTR result = RunModalLoop(hDlg);
    if (::IsWindow(hDlg))
        ::DestroyWindow(hDlg);
    return result;
}

void AppendItems(HMENU hMenu, const std::vector<ce::res::MenuItem>& items, int depth)
{
    for (const ce::res::MenuItem& item : items)
    {
        UINT flags = item.flags & ~static_cast<UINT>(MF_END | MF_POPUP);
        if (item.flags & MF_POPUP)
        {
            HMENU sub = ::CreatePopupMenu();
            if (depth < 16)
                AppendItems(sub, item.children, depth + 1);
            ::AppendMenuW(hMenu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
        }
        else if ((item.flags & MF_SEPARATOR) || (item.id == 0 && item.text.empty()))
        {
            ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
        }
        else
        {
            ::AppendMenuW(hMenu, flags, item.id, item.text.c_str());
        }
    }
}

} // namespace

HANDLE LoadImageFromModule(HINSTANCE hInstance, WORD ordinal, UINT type)
{
    if (type == IMAGE_ICON)
        return ::LoadIconW(hInstance, MAKEINTRESOURCE(ordinal));
    return ::LoadBitmapW(hInstance, MAKEINTRESOURCE(ordinal));
}

} // namespace gwes

using namespace gwes;

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName)
{
    if (!lpIconName)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const ce::res::Directory* dir = ce::res::ModuleResources(hInstance);
    if (!dir)
    {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ce::res::ResName name = ce::res::ResName::FromPointer(lpIconName);
    // Icons are shared: loading the same one again gives the same handle.
    IconCache& cache = Icons();
    std::lock_guard lock(cache.lock);
    auto key = std::make_pair(static_cast<const void*>(dir), Key(name));
    auto it = cache.icons.find(key);
    if (it != cache.icons.end())
        return it->second;
    std::vector<ce::res::Image> images = ce::res::LoadIconImages(hInstance, name);
    if (images.empty())
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HICON icon = CreateIconFromImages(images);
    if (icon)
    {
        cache.icons.emplace(key, icon);
        NoteIconResource(icon, name.isOrdinal ? name.ordinal : 0);
    }
    return icon;
}

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName)
{
    if (!lpBitmapName)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<ce::res::Image> image =
        ce::res::LoadBitmapImage(hInstance, ce::res::ResName::FromPointer(lpBitmapName));
    if (!image)
        return nullptr;
    EnsureApplication();
    return CreateBitmapFromImage(*image);
}

HMENU LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName)
{
    HRSRC h = ::FindResourceW(hInstance, lpMenuName, RT_MENU);
    if (!h)
        return nullptr;
    auto* data = static_cast<const uint8_t*>(::LockResource(::LoadResource(hInstance, h)));
    std::optional<std::vector<ce::res::MenuItem>> items =
        ce::res::ParseMenu(data, ::SizeofResource(hInstance, h));
    if (!items)
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HMENU menu = ::CreateMenu();
    AppendItems(menu, *items, 0);
    return menu;
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    HRSRC h = ::FindResourceW(hInstance, lpTemplateName, RT_DIALOG);
    if (!h)
        return nullptr;
    auto* data = static_cast<const uint8_t*>(::LockResource(::LoadResource(hInstance, h)));
    std::optional<ce::res::DialogTemplate> t = ce::res::ParseDialog(data, ::SizeofResource(hInstance, h));
    if (!t)
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateDialogFromTemplate(*t, hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    if (!lpTemplate)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<ce::res::DialogTemplate> t =
        ce::res::ParseDialog(reinterpret_cast<const uint8_t*>(lpTemplate), TemplateSize(lpTemplate));
    if (!t)
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateDialogFromTemplate(*t, hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    return RunModal(CreateDialogParamW(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam));
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return RunModal(
        CreateDialogIndirectParamW(hInstance, hDialogTemplate, hWndParent, lpDialogFunc, dwInitParam));
}
