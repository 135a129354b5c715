// ShellExecuteEx: opening web and mail addresses with the desktop's handler. Nothing is shown when no
// handler exists; the result and the last error say so.
#include "host.h"

#include <gwes/shell.h>
#include <kernel/text.h>
#include <kernel/immortal.h>

#include <QDesktopServices>
#include <QUrl>

#include <mutex>

namespace gwes
{
constexpr DWORD kErrorNoAssociation = 1155; // no program is associated with the address

namespace
{

// The handler of addresses (the desktop's unless a test replaced it).
struct Opener
{
    std::mutex lock;
    UrlOpener open;
};

Opener& TheOpener()
{
    static ce::Immortal<Opener> opener;
    return opener.get();
}

bool IsOpenableUrl(std::u16string_view file)
{
    using ce::text::StartsWithNoCase;
    return StartsWithNoCase(file, u"http://") || StartsWithNoCase(file, u"https://") ||
           StartsWithNoCase(file, u"mailto:");
}
} // namespace

UrlOpener SetUrlOpener(UrlOpener opener)
{
    std::lock_guard lock(TheOpener().lock);
    return std::exchange(TheOpener().open, std::move(opener));
}

} // namespace gwes

using namespace gwes;

BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW lpExecInfo)
{
    if (!lpExecInfo || lpExecInfo->cbSize < offsetof(SHELLEXECUTEINFOW, hInstApp) || !lpExecInfo->lpFile)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto fail = [&](DWORD error, uintptr_t code)
    {
        lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(code);
        SetLastError(error);
        return FALSE;
    };
    std::u16string_view verb = lpExecInfo->lpVerb ? std::u16string_view(lpExecInfo->lpVerb) : u"open";
    std::u16string file(lpExecInfo->lpFile);
    if ((!verb.empty() && !ce::text::EqualsNoCase(verb, u"open")) || !IsOpenableUrl(file))
        return fail(kErrorNoAssociation, SE_ERR_NOASSOC);
    bool opened = false;
    try
    {
        UrlOpener opener;
        {
            std::lock_guard lock(TheOpener().lock);
            opener = TheOpener().open;
        }
        if (opener)
            opened = opener(file);
        else if (EnsureApplication())
            opened = QDesktopServices::openUrl(QUrl(ToQString(file)));
    }
    catch (...)
    {
        opened = false;
    }
    if (!opened)
        return fail(kErrorNoAssociation, SE_ERR_NOASSOC);
    lpExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42)); // above 32: success
    return TRUE;
}
