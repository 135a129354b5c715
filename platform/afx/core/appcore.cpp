// The framework's core without the window system: run-time classes, message-map lookup, the
// application object and the module's resource handle.
#include <afxwin.h>

#include <afx/app.h>
#include <kernel/resource.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <utility>

// ----- Run-time classes
CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &CObject::classCObject;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

void CRect::NormalizeRect()
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

// ----- Message maps
IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode,
                                                     UINT nID)
{
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e && e->pfn; ++e)
        {
            if (e->nMessage == AFX_REGISTERED_MESSAGE && e->pnRegistered)
            {
                // Registered numbers are never below 0xC000, so an unset variable (0) matches nothing.
                if (*e->pnRegistered >= 0xC000 && *e->pnRegistered == nMessage)
                    return e;
                continue;
            }
            if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, void* pHandlerInfo)
{
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!e)
        return FALSE;
    if (pHandlerInfo)
        return TRUE; // only asked whether there is a handler
    e->pfn(this, nID, 0);
    return TRUE;
}

// ----- The application
namespace
{

std::atomic<CWinApp*> g_app{nullptr};
std::atomic<afx::internal::RunLoop> g_runLoop{nullptr};
std::atomic<afx::internal::WindowHandleOf> g_handleOf{nullptr};
HINSTANCE g_resourceHandle = nullptr;
bool g_resourceHandleSet = false;

} // namespace

namespace afx::internal
{

namespace
{
int g_defaultArgc = 0;
int* g_argc = &g_defaultArgc;
char* g_defaultArgv[] = {nullptr};
char** g_argv = g_defaultArgv;
} // namespace

void SetProgramArguments(int* argc, char** argv)
{
    g_argc = argc;
    g_argv = argv;
}

int* ProgramArgc()
{
    return g_argc;
}

char** ProgramArgv()
{
    return g_argv;
}

void SetWindowHandleOf(WindowHandleOf handleOf)
{
    g_handleOf = handleOf;
}

void SetRunLoop(RunLoop loop)
{
    g_runLoop = loop;
}

CString ProgramName()
{
    WCHAR path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::u16string_view s(path, n);
    size_t slash = s.find_last_of(u"/\\");
    if (slash != std::u16string_view::npos)
        s.remove_prefix(slash + 1);
    size_t dot = s.rfind(u'.');
    if (dot != std::u16string_view::npos && dot > 0)
        s = s.substr(0, dot);
    return CString(s);
}

LPCTSTR DefaultPrompt(UINT nIDPrompt)
{
    switch (nIDPrompt)
    {
    case AFX_IDP_PARSE_INT:
        return u"Please enter an integer.";
    case AFX_IDP_PARSE_REAL:
        return u"Please enter a number.";
    case AFX_IDP_PARSE_INT_RANGE:
        return u"Please enter an integer between %1 and %2.";
    case AFX_IDP_PARSE_REAL_RANGE:
        return u"Please enter a number between %1 and %2.";
    case AFX_IDP_PARSE_STRING_SIZE:
        return u"Please enter no more than %1 characters.";
    case AFX_IDP_PARSE_RADIO_BUTTON:
        return u"Please select a button.";
    case AFX_IDP_PARSE_BYTE:
        return u"Please enter an integer between 0 and 255.";
    case AFX_IDP_PARSE_UINT:
        return u"Please enter a positive integer.";
    default:
        return nullptr;
    }
}

} // namespace afx::internal

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread()
    : m_pMainWnd(nullptr), m_pActiveWnd(nullptr), m_nThreadID(GetCurrentThreadId()),
      m_bAutoDelete(FALSE), m_msgCur{}
{
}

CWinThread::~CWinThread() = default;

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::Run()
{
    afx::internal::RunLoop loop = g_runLoop;
    if (loop)
        m_msgCur.wParam = static_cast<WPARAM>(loop(this));
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

BOOL CWinThread::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWinThread::OnIdle(LONG)
{
    return FALSE;
}

CWnd* CWinThread::GetMainWnd()
{
    return m_pMainWnd;
}

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(nullptr), m_pszExeName(nullptr), m_hInstance(nullptr), m_lpCmdLine(nullptr),
      m_nCmdShow(SW_SHOWNORMAL)
{
    m_strExeName = afx::internal::ProgramName();
    m_strAppName = lpszAppName ? CString(lpszAppName) : m_strExeName;
    m_pszExeName = m_strExeName;
    m_pszAppName = m_strAppName;
    m_lpCmdLine = m_strCmdLine.GetBuffer(0);
    g_app = this;
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

int CWinApp::Run()
{
    return CWinThread::Run();
}

int CWinApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT)
{
    afx::internal::WindowHandleOf handleOf = g_handleOf;
    HWND owner = m_pMainWnd && handleOf ? handleOf(m_pMainWnd) : nullptr;
    return MessageBoxW(owner, lpszPrompt, m_pszAppName, nType);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    CWinApp* app = g_app;
    return app ? app->GetMainWnd() : nullptr;
}

LPCTSTR AfxGetAppName()
{
    CWinApp* app = g_app;
    return app ? app->m_pszAppName : u"";
}

HINSTANCE AfxGetInstanceHandle()
{
    CWinApp* app = g_app;
    if (app && app->m_hInstance)
        return app->m_hInstance;
    return GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return g_resourceHandleSet ? g_resourceHandle : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_resourceHandle = hInstResource;
    g_resourceHandleSet = true;
}

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType)
{
    HINSTANCE resource = AfxGetResourceHandle();
    if (FindResourceW(resource, lpszName, lpszType))
        return resource;
    HINSTANCE instance = AfxGetInstanceHandle();
    if (FindResourceW(instance, lpszName, lpszType))
        return instance;
    return resource;
}

int AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = g_app;
    if (!app)
        return FALSE;
    app->m_hInstance = hInstance ? hInstance : GetModuleHandleW(nullptr);
    app->m_nCmdShow = nCmdShow;
    if (lpCmdLine)
    {
        app->m_strCmdLine = lpCmdLine;
        app->m_lpCmdLine = app->m_strCmdLine.GetBuffer(0);
    }
    // A program without a name of its own takes its title from the string table.
    CString title;
    if (app->m_strAppName == app->m_strExeName && title.LoadString(AFX_IDS_APP_TITLE) && !title.IsEmpty())
    {
        app->m_strAppName = title;
        app->m_pszAppName = app->m_strAppName;
    }
    return TRUE;
}

// ----- Strings of the resource module
BOOL CString::LoadString(UINT nID)
{
    // The resource module first (a language DLL), then the program itself for what the DLL lacks.
    std::optional<std::u16string_view> s = ce::res::FindString(AfxGetResourceHandle(), nID);
    if (!s)
        s = ce::res::FindString(AfxGetInstanceHandle(), nID);
    if (!s || s->empty())
        return FALSE;
    *this = CString(*s);
    return TRUE;
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp)
{
    CWinApp* app = g_app;
    if (app)
        return app->DoMessageBox(lpszText, nType, nIDHelp);
    return MessageBoxW(nullptr, lpszText, AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    if (!text.LoadString(nIDPrompt))
    {
        LPCTSTR builtin = afx::internal::DefaultPrompt(nIDPrompt);
        if (builtin)
            text = builtin;
    }
    return AfxMessageBox(text, nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}
