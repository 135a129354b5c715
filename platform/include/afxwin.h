// The application framework: the application object, windows with message maps, dialogs, dialog data
// exchange and the standard control classes.
//
// The application object (CWinApp's constructor, InitApplication, InitInstance, ExitInstance, m_pMainWnd),
// AfxGetApp, AfxMessageBox and the resource functions work without the window system, so code that only
// needs those links against the framework's core alone; the window classes need the full framework.
#pragma once

#include <afx.h>
#include <afxres.h>
#include <commctrl.h>

#ifndef RC_INVOKED

#include <cstddef>

#ifndef ASSERT
#define ASSERT(f) ((void)0)
#endif
#ifndef VERIFY
#define VERIFY(f) ((void)(f))
#endif
#ifndef ASSERT_VALID
#define ASSERT_VALID(p) ((void)0)
#endif
#ifndef TRACE
#define TRACE(...) ((void)0)
#endif
#ifndef PASCAL
#define PASCAL
#endif
#define afx_msg
#define AFXAPI

class CObject;
class CCmdTarget;
class CWnd;
class CDC;
class CDialog;
class CWinApp;
class CDataExchange;
struct CCreateContext;

// ---------------------------------------------------------------------------------------------------
// Run-time class information (IsKindOf, DYNAMIC_DOWNCAST, RUNTIME_CLASS).
struct CRuntimeClass
{
    const char* m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class CObject
{
public:
    virtual ~CObject() = default;
    virtual CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    static CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)
#define DECLARE_DYNAMIC(class_name)                                                                          \
public:                                                                                                      \
    static CRuntimeClass class##class_name;                                                                  \
    CRuntimeClass* GetRuntimeClass() const override;
#define DECLARE_DYNCREATE(class_name)                                                                        \
    DECLARE_DYNAMIC(class_name)                                                                              \
    static CObject* CreateObject();
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                       \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)),        \
                                                   nullptr, RUNTIME_CLASS(base_class_name)};                 \
    CRuntimeClass* class_name::GetRuntimeClass() const                                                       \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }
#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                     \
    CObject* class_name::CreateObject()                                                                      \
    {                                                                                                        \
        return new class_name;                                                                               \
    }                                                                                                        \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)),        \
                                                   class_name::CreateObject,                                 \
                                                   RUNTIME_CLASS(base_class_name)};                          \
    CRuntimeClass* class_name::GetRuntimeClass() const                                                       \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }
#define DYNAMIC_DOWNCAST(class_name, object) (dynamic_cast<class_name*>(object))
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name*>(object))

// ---------------------------------------------------------------------------------------------------
// Geometry
class CSize : public tagSIZE
{
public:
    CSize() { cx = cy = 0; }
    CSize(int initCX, int initCY) { cx = initCX, cy = initCY; }
    CSize(SIZE s) { cx = s.cx, cy = s.cy; }
    bool operator==(const SIZE& s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(const SIZE& s) const { return !(*this == s); }
};

class CPoint : public tagPOINT
{
public:
    CPoint() { x = y = 0; }
    CPoint(int initX, int initY) { x = initX, y = initY; }
    CPoint(POINT p) { x = p.x, y = p.y; }
    explicit CPoint(LPARAM dwPoint)
    {
        x = static_cast<short>(LOWORD(dwPoint));
        y = static_cast<short>(HIWORD(dwPoint));
    }
    void Offset(int xOffset, int yOffset) { x += xOffset, y += yOffset; }
    bool operator==(const POINT& p) const { return x == p.x && y == p.y; }
    bool operator!=(const POINT& p) const { return !(*this == p); }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
};

class CRect : public tagRECT
{
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    CRect(const RECT& r) { left = r.left, top = r.top, right = r.right, bottom = r.bottom; }
    CRect(POINT topLeft, SIZE size)
    {
        left = topLeft.x, top = topLeft.y, right = left + size.cx, bottom = top + size.cy;
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    BOOL IsRectEmpty() const { return left >= right || top >= bottom; }
    BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
    BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void InflateRect(int dx, int dy) { left -= dx, right += dx, top -= dy, bottom += dy; }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void NormalizeRect();
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& r) const
    {
        return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
    }
    bool operator!=(const RECT& r) const { return !(*this == r); }
};

// ---------------------------------------------------------------------------------------------------
// Message maps. Each entry routes one message (or one command or notification from a range of control
// ids) to a handler through a small typed thunk, so a handler with the wrong signature does not compile.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;            // window message; WM_COMMAND / WM_NOTIFY for commands and notifications
    UINT nCode;               // notification code for WM_COMMAND / WM_NOTIFY
    UINT nID;                 // first control id
    UINT nLastID;             // last control id (nID for a single one)
    const UINT* pnRegistered; // registered message: the variable that holds its number
    AFX_PMSG pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Marks a registered-message entry (its number is read from pnRegistered when a message arrives).
#define AFX_REGISTERED_MESSAGE 0xC000

#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                        \
    {                                                                                                        \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                          \
    {                                                                                                        \
        using ThisClass [[maybe_unused]] = theClass;                                                         \
        using TheBaseClass [[maybe_unused]] = baseClass;                                                     \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    {                                                                                                        \
        0, 0, 0, 0, nullptr, nullptr                                                                         \
    }                                                                                                        \
    }                                                                                                        \
    ;                                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};            \
    return &messageMap;                                                                                      \
    }

namespace afx_thunk
{
CDC* DCFromHandle(HDC hDC);
CWnd* WndFromHandle(HWND hWnd);

template <class T, auto pfn> LRESULT v_v(CCmdTarget* p, WPARAM, LPARAM)
{
    void (T::*f)() = pfn;
    (static_cast<T*>(p)->*f)();
    return 0;
}
template <class T, auto pfn> LRESULT v_u(CCmdTarget* p, WPARAM w, LPARAM)
{
    void (T::*f)(UINT) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<UINT>(w));
    return 0;
}
template <class T, auto pfn> LRESULT l_wl(CCmdTarget* p, WPARAM w, LPARAM l)
{
    LRESULT (T::*f)(WPARAM, LPARAM) = pfn;
    return (static_cast<T*>(p)->*f)(w, l);
}
template <class T, auto pfn> LRESULT i_cs(CCmdTarget* p, WPARAM, LPARAM l)
{
    int (T::*f)(LPCREATESTRUCT) = pfn;
    return (static_cast<T*>(p)->*f)(reinterpret_cast<LPCREATESTRUCT>(l));
}
template <class T, auto pfn> LRESULT b_dc(CCmdTarget* p, WPARAM w, LPARAM)
{
    BOOL (T::*f)(CDC*) = pfn;
    return (static_cast<T*>(p)->*f)(DCFromHandle(reinterpret_cast<HDC>(w)));
}
template <class T, auto pfn> LRESULT v_timer(CCmdTarget* p, WPARAM w, LPARAM)
{
    void (T::*f)(UINT_PTR) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<UINT_PTR>(w));
    return 0;
}
template <class T, auto pfn> LRESULT v_up(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(UINT, CPoint) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<UINT>(w), CPoint(l));
    return 0;
}
template <class T, auto pfn> LRESULT v_bu(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(BOOL, UINT) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<BOOL>(w), static_cast<UINT>(l));
    return 0;
}
template <class T, auto pfn> LRESULT b_ud(CCmdTarget* p, WPARAM w, LPARAM l)
{
    BOOL (T::*f)(UINT, DWORD_PTR) = pfn;
    return (static_cast<T*>(p)->*f)(static_cast<UINT>(w), static_cast<DWORD_PTR>(l));
}
template <class T, auto pfn> LRESULT v_uii(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(UINT, int, int) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<UINT>(w), static_cast<short>(LOWORD(l)),
                             static_cast<short>(HIWORD(l)));
    return 0;
}
template <class T, auto pfn> LRESULT v_ii(CCmdTarget* p, WPARAM, LPARAM l)
{
    void (T::*f)(int, int) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
    return 0;
}
template <class T, auto pfn> LRESULT v_w(CCmdTarget* p, WPARAM w, LPARAM)
{
    void (T::*f)(CWnd*) = pfn;
    (static_cast<T*>(p)->*f)(WndFromHandle(reinterpret_cast<HWND>(w)));
    return 0;
}
template <class T, auto pfn> LRESULT v_b(CCmdTarget* p, WPARAM w, LPARAM)
{
    void (T::*f)(BOOL) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<BOOL>(w));
    return 0;
}
template <class T, auto pfn> LRESULT v_uuu(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(UINT, UINT, UINT) = pfn;
    (static_cast<T*>(p)->*f)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
    return 0;
}
template <class T, auto pfn> LRESULT v_uwb(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(UINT, CWnd*, BOOL) = pfn;
    (static_cast<T*>(p)->*f)(LOWORD(w), WndFromHandle(reinterpret_cast<HWND>(l)), HIWORD(w) != 0);
    return 0;
}
// WM_NOTIFY: wParam carries the NMHDR, lParam the result slot.
template <class T, auto pfn> LRESULT v_nmhdr(CCmdTarget* p, WPARAM w, LPARAM l)
{
    void (T::*f)(NMHDR*, LRESULT*) = pfn;
    (static_cast<T*>(p)->*f)(reinterpret_cast<NMHDR*>(w), reinterpret_cast<LRESULT*>(l));
    return 0;
}
} // namespace afx_thunk

#define AFX_MSG_ENTRY(msg, thunk, fn) {msg, 0, 0, 0, nullptr, &afx_thunk::thunk<ThisClass, &ThisClass::fn>},
#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, i_cs, OnCreate)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, v_v, OnDestroy)
#define ON_WM_NCDESTROY() AFX_MSG_ENTRY(WM_NCDESTROY, v_v, OnNcDestroy)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, v_v, OnClose)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, v_v, OnPaint)
#define ON_WM_ERASEBKGND() AFX_MSG_ENTRY(WM_ERASEBKGND, b_dc, OnEraseBkgnd)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, v_timer, OnTimer)
#define ON_WM_LBUTTONDOWN() AFX_MSG_ENTRY(WM_LBUTTONDOWN, v_up, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MSG_ENTRY(WM_LBUTTONUP, v_up, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MSG_ENTRY(WM_LBUTTONDBLCLK, v_up, OnLButtonDblClk)
#define ON_WM_MOUSEMOVE() AFX_MSG_ENTRY(WM_MOUSEMOVE, v_up, OnMouseMove)
#define ON_WM_SHOWWINDOW() AFX_MSG_ENTRY(WM_SHOWWINDOW, v_bu, OnShowWindow)
#define ON_WM_DEVICECHANGE() AFX_MSG_ENTRY(WM_DEVICECHANGE, b_ud, OnDeviceChange)
#define ON_WM_SIZE() AFX_MSG_ENTRY(WM_SIZE, v_uii, OnSize)
#define ON_WM_MOVE() AFX_MSG_ENTRY(WM_MOVE, v_ii, OnMove)
#define ON_WM_SETFOCUS() AFX_MSG_ENTRY(WM_SETFOCUS, v_w, OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_MSG_ENTRY(WM_KILLFOCUS, v_w, OnKillFocus)
#define ON_WM_ENABLE() AFX_MSG_ENTRY(WM_ENABLE, v_b, OnEnable)
#define ON_WM_CHAR() AFX_MSG_ENTRY(WM_CHAR, v_uuu, OnChar)
#define ON_WM_KEYDOWN() AFX_MSG_ENTRY(WM_KEYDOWN, v_uuu, OnKeyDown)
#define ON_WM_KEYUP() AFX_MSG_ENTRY(WM_KEYUP, v_uuu, OnKeyUp)
#define ON_WM_ACTIVATE() AFX_MSG_ENTRY(WM_ACTIVATE, v_uwb, OnActivate)
#define ON_MESSAGE(message, memberFxn)                                                                       \
    {message, 0, 0, 0, nullptr, &afx_thunk::l_wl<ThisClass, &ThisClass::memberFxn>},
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                                   \
    {AFX_REGISTERED_MESSAGE,                                                                                 \
     0,                                                                                                      \
     0,                                                                                                      \
     0,                                                                                                      \
     &(nMessageVariable),                                                                                    \
     &afx_thunk::l_wl<ThisClass, &ThisClass::memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                               \
    {WM_COMMAND,                                                                                             \
     static_cast<UINT>(wNotifyCode),                                                                         \
     static_cast<UINT>(id),                                                                                  \
     static_cast<UINT>(id),                                                                                  \
     nullptr,                                                                                                \
     &afx_thunk::v_v<ThisClass, &ThisClass::memberFxn>},
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                                                 \
    {WM_COMMAND,                                                                                             \
     static_cast<UINT>(wNotifyCode),                                                                         \
     static_cast<UINT>(id),                                                                                  \
     static_cast<UINT>(idLast),                                                                              \
     nullptr,                                                                                                \
     &afx_thunk::v_u<ThisClass, &ThisClass::memberFxn>},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) ON_CONTROL_RANGE(0, id, idLast, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                                \
    {WM_NOTIFY,                                                                                              \
     static_cast<UINT>(wNotifyCode),                                                                         \
     static_cast<UINT>(id),                                                                                  \
     static_cast<UINT>(id),                                                                                  \
     nullptr,                                                                                                \
     &afx_thunk::v_nmhdr<ThisClass, &ThisClass::memberFxn>},

// ---------------------------------------------------------------------------------------------------
// Command targets: objects with a message map.
class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes a command (nCode: notification code) to this object's message map; TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

    // The wait cursor (an hourglass while a long operation runs).
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // Searches a message map chain for the entry of a message (for WM_COMMAND and WM_NOTIFY: of the code
    // and control id). Null when no class of the chain handles it.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode,
                                                    UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Shows the hourglass for the life of the object.
class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};

// ---------------------------------------------------------------------------------------------------
// The application and its thread.
class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    ~CWinThread() override;

    CWnd* m_pMainWnd; // the main window; cleared when that window is destroyed
    CWnd* m_pActiveWnd;
    DWORD m_nThreadID;
    BOOL m_bAutoDelete;
    MSG m_msgCur; // the last message of the loop (WM_QUIT and its exit code when Run ends)

    virtual BOOL InitInstance();
    // Runs the message loop until the main window ends it (PostQuitMessage); returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);
    virtual CWnd* GetMainWnd();
};

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    // The one application object of a module registers itself here; AfxGetApp returns it.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName; // the application's name (caption of its message boxes)
    LPCTSTR m_pszExeName; // the program's file name without extension
    HINSTANCE m_hInstance;
    LPTSTR m_lpCmdLine;
    int m_nCmdShow;

    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    int ExitInstance() override;
    int Run() override;
    // Shows a message box for AfxMessageBox (through the installed presenter).
    virtual int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadStandardIcon(LPCTSTR lpszIconName) const;
    HCURSOR LoadCursor(UINT nIDResource) const;
    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;
    void BeginWaitCursor();
    void EndWaitCursor();

private:
    CString m_strAppName;
    CString m_strExeName;
    CString m_strCmdLine;
    friend int AfxWinInit(HINSTANCE, HINSTANCE, LPTSTR, int);
};

// The application object of this module (null before one is constructed).
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
LPCTSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
// The module that resources are loaded from: the program's own unless AfxSetResourceHandle chose
// another (a resource-only DLL).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);

// Message boxes of the framework: the caption is the application's name.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// The framework's entry: initialises the application object and runs it. main() of a framework program
// calls it; it returns the process's exit code.
int AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
void AfxWinTerm();

// ---------------------------------------------------------------------------------------------------
// Device contexts: a handle wrapper (the drawing operations belong to the graphics support).
class CGdiObject;
class CBrush;
class CBitmap;
class CFont;

class CDC : public CObject
{
public:
    CDC();
    ~CDC() override;
    HDC m_hDC;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hDC);
    HDC Detach();
    // A wrapper for a handle that lives until the window message being handled ends.
    static CDC* FromHandle(HDC hDC);

    // A memory device context like pDC's (the screen's when null); deleted with the object.
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();
    CGdiObject* SelectObject(CGdiObject* pObject);
    CBrush* SelectObject(CBrush* pBrush);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CFont* SelectObject(CFont* pFont);
    HGDIOBJ SelectObject(HGDIOBJ hObject);
    CGdiObject* SelectStockObject(int nIndex);
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    int GetClipBox(LPRECT lpRect) const;
    // The viewport origin; the setter returns the previous one.
    CPoint SetViewportOrg(int x, int y);
    CPoint GetViewportOrg() const;
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const;
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const;
    int SetBkMode(int nBkMode);
    int GetBkMode() const;
    COLORREF SetPixel(int x, int y, COLORREF crColor);
    COLORREF GetPixel(int x, int y) const;

    // Set for contexts this object made (CreateCompatibleDC): the destructor deletes them.
    BOOL m_bOwnsDC = FALSE;
};

// A paint of a window: BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

// Drawing objects: the destructor deletes the object the wrapper holds.
class CGdiObject : public CObject
{
public:
    CGdiObject() : m_hObject(nullptr) {}
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    HGDIOBJ m_hObject;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    // A wrapper for a handle (not deleted by the wrapper).
    static CGdiObject* FromHandle(HGDIOBJ hObject);
};

class CBrush : public CGdiObject
{
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor);
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateSysColorBrush(int nIndex);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH hBrush);
};

class CBitmap : public CGdiObject
{
public:
    CBitmap() = default;
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    BOOL LoadBitmap(UINT nIDResource);
    BOOL LoadBitmap(LPCTSTR lpszResourceName);
    int GetBitmap(BITMAP* pBitMap);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP hBitmap);
};

class CFont : public CGdiObject
{
public:
    CFont() = default;
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT hFont);
};

// ---------------------------------------------------------------------------------------------------
// Menus
class CMenu : public CObject
{
public:
    CMenu() : m_hMenu(nullptr) {}
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    HMENU m_hMenu;
    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    // A wrapper for a handle (the menu is not destroyed by the wrapper).
    static CMenu* FromHandle(HMENU hMenu);

    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    BOOL LoadMenu(UINT nIDResource);
    BOOL LoadMenu(LPCTSTR lpszResourceName);
    BOOL DestroyMenu();
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL DeleteMenu(UINT nPosition, UINT nFlags);
    BOOL RemoveMenu(UINT nPosition, UINT nFlags);
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags);
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    CMenu* GetSubMenu(int nPos) const;
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;
    UINT GetMenuState(UINT nID, UINT nFlags) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
};

// ---------------------------------------------------------------------------------------------------
// Exceptions and files
class CException : public CObject
{
public:
    CException() = default;
    // Shows the exception's message in a message box; nMessageID: the message when it has none.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;
    // Frees an exception thrown as a pointer (the framework's convention: catch (CException* e)).
    void Delete();
};

class CFileException : public CException
{
public:
    enum
    {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };
    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszArchiveName = nullptr);
    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
    // The cause for a Windows error number.
    static int OsErrorToException(LONG lOsError);
    // Throws a new CFileException (caught as CFileException*).
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);
    [[noreturn]] static void Throw(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);
};

class CFile : public CObject
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition
    {
        begin = 0,
        current = 1,
        end = 2
    };
    static const HANDLE hFileNull;

    CFile();
    // Opens the file; throws a CFileException* when it cannot.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    HANDLE m_hFile;
    operator HANDLE() const { return m_hFile; }
    // FALSE with the cause in pError (when given) when the file cannot be opened.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // The bytes read (fewer at the end of the file); throws a CFileException* on an error.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    ULONGLONG SeekToBegin() { return Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual void Close();
    virtual void Abort();
    CString GetFileName() const;
    CString GetFilePath() const { return m_strFileName; }

protected:
    CString m_strFileName;
};

// ---------------------------------------------------------------------------------------------------
// Windows
class CWnd : public CCmdTarget
{
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd();
    explicit CWnd(HWND hWnd);
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    bool operator==(const CWnd& wnd) const { return m_hWnd == wnd.m_hWnd; }
    bool operator!=(const CWnd& wnd) const { return m_hWnd != wnd.m_hWnd; }

    // The object attached to a window, or a temporary wrapper that lives as long as the window.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Puts this object in front of an existing window: its messages go through this object's message map
    // first and Default() reaches the window's own procedure.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                          int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void PostNcDestroy();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void DoDataExchange(CDataExchange* pDX);
    // Passes the message being handled to the window's own procedure.
    LRESULT Default();
    // Moves data between the members and the controls (TRUE: from the controls); FALSE when a value of a
    // control was refused (its message has been shown).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Fills combo and list boxes from the dialog initialisation data of a resource.
    BOOL ExecuteDlgInit(LPCTSTR lpszResourceName);
    BOOL ExecuteDlgInit(LPVOID lpResource);

    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsIconic() const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    BOOL SetForegroundWindow();
    void BringWindowToTop();
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    static CWnd* GetForegroundWindow();
    static CWnd* GetActiveWindow();
    CWnd* GetParent() const;
    CWnd* GetTopLevelParent() const;
    CWnd* GetWindow(UINT nCmd) const;
    CWnd* GetDlgItem(int nID) const;
    void GetDlgItem(int nID, HWND* phWnd) const;
    int GetDlgCtrlID() const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const;
    int GetDlgItemText(int nID, CString& rString) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void CheckDlgButton(int nIDButton, UINT nCheck);
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    int GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton);
    UINT IsDlgButtonChecked(int nIDButton) const;
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                      void(CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD));
    BOOL KillTimer(UINT_PTR nIDEvent);
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

protected:
    WNDPROC m_pfnSuper; // the window's own procedure behind this object (subclassed windows)

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnEnable(BOOL bEnable);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CWndInternals;
};

// The window procedure of every window attached to a framework object.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------------
// Dialogs
class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modeless: creates the dialog from its template and returns at once.
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Modal: creates the dialog, runs a nested message loop until EndDialog, destroys the window and
    // returns the result given to EndDialog (-1 when the dialog could not be created).
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    void MapDialogRect(LPRECT lpRect) const;
    void SetDefID(UINT nID);
    DWORD GetDefID() const;
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* pWndCtrl);

    // The template the dialog is made from.
    LPCTSTR m_lpszTemplateName;
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    // Creates the dialog's window as a child of pParentWnd (property pages) or as a popup.
    BOOL CreateFromTemplate(CWnd* pParentWnd, BOOL bChild);
    void SetTemplate(LPCTSTR lpszTemplateName);

private:
    CString m_strTemplateName;
    friend class CPropertySheet;
};

// ---------------------------------------------------------------------------------------------------
// Dialog data exchange
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate; // TRUE: controls to members
    CWnd* m_pDlgWnd;
    int m_idLastControl;
    BOOL m_bEditLastControl;
    // Set by Fail(): a value was refused; the remaining exchanges of this pass do nothing.
    BOOL m_bFailed;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Ends the exchange: focus goes back to the control of the last exchange and UpdateData reports FALSE.
    void Fail();
};

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, unsigned long& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, short& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);

// ---------------------------------------------------------------------------------------------------
// Standard controls. The wrappers add no data, so a CWnd* of a control may be used as its wrapper.
class CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
    BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
};

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    UINT GetState() const;
    void SetState(BOOL bHighlight);
    int GetCheck() const;
    void SetCheck(int nCheck);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
};

class CEdit : public CWnd
{
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetLineCount() const;
    int GetFirstVisibleLine() const;
    void LineScroll(int nLines, int nChars = 0);
    int LineIndex(int nLine = -1) const;
    int LineLength(int nLine = -1) const;
    int GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const;
    BOOL GetModify() const;
    void SetModify(BOOL bModified = TRUE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const;
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
    void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    void LimitText(int nChars = 0);
    void SetLimitText(UINT nMax);
    UINT GetLimitText() const;
    void Clear();
    void Copy();
    void Cut();
    void Paste();
};

class CComboBox : public CWnd
{
    DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int AddString(LPCTSTR lpszString);
    int InsertString(int nIndex, LPCTSTR lpszString);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetLBText(int nIndex, LPTSTR lpszText) const;
    void GetLBText(int nIndex, CString& rString) const;
    int GetLBTextLen(int nIndex) const;
    int FindString(int nStartAfter, LPCTSTR lpszString) const;
    int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const;
    int SelectString(int nStartAfter, LPCTSTR lpszString);
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    void ShowDropDown(BOOL bShowIt = TRUE);
    BOOL GetDroppedState() const;
    BOOL LimitText(int nMaxChars);
};

// Converts a window handle or DC handle for the message-map thunks.
inline CDC* afx_thunk::DCFromHandle(HDC hDC)
{
    return CDC::FromHandle(hDC);
}
inline CWnd* afx_thunk::WndFromHandle(HWND hWnd)
{
    return CWnd::FromHandle(hWnd);
}

#endif // RC_INVOKED
