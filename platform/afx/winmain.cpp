// The framework's entry (AfxWinMain), and the window calls that read resources: icons, bitmaps and
// dialogs by name.
#include "afximpl.h"

#include <gwes/gwes.h>
#include <gwes/shell.h>

#include <afx/app.h>

#include <map>
#include <mutex>

using namespace afx::impl;

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    int code = -1;
    CWinApp* app = AfxGetApp();
    if (!gwes::CheckHandheld())
        return 1;
    if (!gwes::InitApplication(*afx::internal::ProgramArgc(), afx::internal::ProgramArgv()) || !app)
    {
        AfxWinTerm();
        return code;
    }
    InstallHooks();
    InstallScreenPresenter();
    AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
    if (app->InitApplication())
    {
        if (!app->InitInstance())
        {
            // The application did its work in InitInstance (a modal main dialog) and ends here.
            if (app->m_pMainWnd)
                app->m_pMainWnd->DestroyWindow();
            code = app->ExitInstance();
        }
        else
        {
            code = app->Run();
        }
    }
    AfxWinTerm();
    return code;
}

void AfxWinTerm()
{
    gwes::ShutdownApplication();
}

// ----- Resources of windows
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
size_t TemplateSize(HINSTANCE hInstance, const void* p)
{
    for (HINSTANCE h : {hInstance, AfxGetResourceHandle(), AfxGetInstanceHandle()})
        if (const ce::res::Directory* dir = ce::res::ModuleResources(h))
            for (const ce::res::Entry& e : dir->entries())
                if (p >= e.data && p < e.data + e.size)
                    return static_cast<size_t>(e.data + e.size - static_cast<const uint8_t*>(p));
    return 0x10000; // a template built by the program: it ends where its last item ends
}

} // namespace

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
    HICON icon = gwes::CreateIconFromImages(images);
    if (icon)
    {
        cache.icons.emplace(key, icon);
        gwes::NoteIconResource(icon, name.isOrdinal ? name.ordinal : 0);
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
    gwes::EnsureApplication();
    return gwes::CreateBitmapFromImage(*image);
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    InstallHooks();
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
    return gwes::CreateDialogFromTemplate(*t, hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    InstallHooks();
    if (!lpTemplate)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<ce::res::DialogTemplate> t = ce::res::ParseDialog(
        reinterpret_cast<const uint8_t*>(lpTemplate), TemplateSize(hInstance, lpTemplate));
    if (!t)
    {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return gwes::CreateDialogFromTemplate(*t, hInstance, hWndParent, lpDialogFunc, dwInitParam);
}

namespace
{
INT_PTR RunModal(HWND hDlg)
{
    if (!hDlg)
        return -1;
    INT_PTR result = gwes::RunModalLoop(hDlg);
    if (::IsWindow(hDlg))
        ::DestroyWindow(hDlg);
    return result;
}
} // namespace

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

// ----- The application's resource helpers
HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconW(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}

HICON CWinApp::LoadStandardIcon(LPCTSTR lpszIconName) const
{
    return ::LoadIconW(nullptr, lpszIconName);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const
{
    return ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource));
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const
{
    return ::LoadCursorW(nullptr, lpszCursorName);
}
