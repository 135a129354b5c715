// Drawing: device contexts on QPainter. A paint device context draws on the widget of the window being
// painted (through the paint session BeginPaint opened); a memory device context draws into the image of
// the bitmap selected into it, and BitBlt copies between them. Filled rectangles are drawn without
// anti-aliasing, so they are pixel-exact. Drawing calls take logical coordinates: a point lands at itself
// plus the context's viewport origin (SetViewportOrgEx), and GetClipBox answers in logical coordinates.
#include "host.h"

#include <kernel/immortal.h>

#include <QFontMetrics>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace gwes
{
namespace
{

enum class DCKind
{
    Paint,  // BeginPaint: the painter of the paint session
    Memory, // CreateCompatibleDC: the selected bitmap
    Window, // GetDC: a scratch surface of the client area's size (measuring; nothing reaches the screen)
};

constexpr uintptr_t kStockBitmap = 0x4FFFFF00;   // the 1x1 bitmap a new memory DC holds
constexpr uintptr_t kStockFirst = 0x4FFFFE00;    // stock brushes: kStockFirst + index
constexpr uintptr_t kSysBrushFirst = 0x4FFFFD00; // system colour brushes: kSysBrushFirst + colour index
// Brushes made here: kBrushFirst + generation * kBrushSlots + slot (up to 0x77FFFFFF).
constexpr uintptr_t kBrushFirst = 0x70000000;
constexpr uintptr_t kBrushSlots = 0x10000;
constexpr uintptr_t kBrushGenerations = 0x800;

struct DC
{
    DCKind kind = DCKind::Memory;
    HWND hwnd = nullptr;
    QPainter* painter = nullptr;     // paint DCs: the session's; others: own
    std::unique_ptr<QPainter> own;   // memory and window DCs
    std::shared_ptr<QImage> surface; // memory and window DCs
    HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(kStockBitmap);
    HGDIOBJ brush = reinterpret_cast<HGDIOBJ>(kStockFirst + WHITE_BRUSH);
    HGDIOBJ font = nullptr;
    COLORREF text = RGB(0, 0, 0);
    COLORREF back = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    QRect clip;    // the clip box, in device coordinates
    QPoint origin; // the viewport origin: device = logical + origin
};

struct Bitmap
{
    std::shared_ptr<QImage> image;
    HDC selectedIn = nullptr;
};

struct Brush
{
    COLORREF color = 0;
    bool hollow = false;
};

// A paint makes and deletes brushes by the hundred (a band each), so they live in slots that are used
// again rather than in a map; a handle carries its slot's generation, so that the handle of a deleted
// brush does not reach the brushes made in its slot after it (the next 2047 of them).
struct BrushSlot
{
    Brush brush;
    uintptr_t generation = 0;
    bool used = false;
};

struct Objects
{
    std::mutex lock;
    std::map<uintptr_t, std::unique_ptr<DC>> dcs;
    std::map<uintptr_t, Bitmap> bitmaps;
    std::vector<BrushSlot> brushes;
    std::vector<uintptr_t> freeBrushes; // slot numbers
    uintptr_t next = 0x50000000;
};

Objects& Gdi()
{
    static ce::Immortal<Objects> objects;
    return objects.get();
}

uintptr_t Key(const void* h)
{
    return reinterpret_cast<uintptr_t>(h);
}

DC* FindDC(HDC h)
{
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    auto it = o.dcs.find(Key(h));
    return it == o.dcs.end() ? nullptr : it->second.get();
}

// The slot of a brush made here that is still alive, or null. Call with the lock held.
BrushSlot* FindBrush(Objects& o, uintptr_t h)
{
    if (h < kBrushFirst || h >= kBrushFirst + kBrushGenerations * kBrushSlots)
        return nullptr;
    const uintptr_t slot = (h - kBrushFirst) % kBrushSlots;
    if (slot >= o.brushes.size())
        return nullptr;
    BrushSlot& s = o.brushes[slot];
    return s.used && s.generation == (h - kBrushFirst) / kBrushSlots ? &s : nullptr;
}

HDC AddDC(std::unique_ptr<DC> dc)
{
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    uintptr_t h = o.next++;
    o.dcs.emplace(h, std::move(dc));
    return reinterpret_cast<HDC>(h);
}

// The colour of a brush handle: a brush made here, a stock or system-colour brush, or (as window classes
// allow) a system colour index plus one. False for a hollow or unknown brush.
bool BrushColor(HBRUSH h, COLORREF* color)
{
    uintptr_t v = Key(h);
    if (v >= 1 && v <= COLOR_STATICTEXT + 1)
    {
        *color = SystemColor(static_cast<int>(v - 1));
        return true;
    }
    if (v >= kSysBrushFirst && v <= kSysBrushFirst + COLOR_STATICTEXT)
    {
        *color = SystemColor(static_cast<int>(v - kSysBrushFirst));
        return true;
    }
    if (v >= kStockFirst && v < kStockFirst + NULL_BRUSH)
    {
        static const COLORREF stock[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                         RGB(64, 64, 64), RGB(0, 0, 0)};
        *color = stock[v - kStockFirst];
        return true;
    }
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    const BrushSlot* brush = FindBrush(o, v);
    if (!brush || brush->brush.hollow)
        return false;
    *color = brush->brush.color;
    return true;
}

void OpenSurface(DC& dc, std::shared_ptr<QImage> surface)
{
    QFont font = dc.painter ? dc.painter->font() : DefaultFont();
    dc.own.reset();
    dc.surface = std::move(surface);
    dc.own = std::make_unique<QPainter>(dc.surface.get());
    dc.own->setFont(font);
    dc.painter = dc.own.get();
    dc.clip = QRect(0, 0, dc.surface->width(), dc.surface->height());
}

std::shared_ptr<QImage> NewSurface(int cx, int cy)
{
    auto image = std::make_shared<QImage>(std::max(cx, 1), std::max(cy, 1), QImage::Format_RGB32);
    image->fill(Qt::black);
    return image;
}

HDC CreatePaintDC(PaintSession& session)
{
    auto dc = std::make_unique<DC>();
    dc->kind = DCKind::Paint;
    dc->hwnd = session.hwnd;
    dc->painter = session.painter;
    RECT client{};
    GetClientRect(session.hwnd, &client);
    dc->clip = session.dirty.intersected(QRect(0, 0, client.right, client.bottom));
    return AddDC(std::move(dc));
}

void ReleasePaintDC(HDC hDC)
{
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    o.dcs.erase(Key(hDC));
}

const bool g_factory = (SetPaintDCFactory(CreatePaintDC, ReleasePaintDC), true);

QColor Color(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

QPainter* PainterOfDC(HDC hDC)
{
    DC* dc = FindDC(hDC);
    return dc ? dc->painter : nullptr;
}

QImage DCImage(HDC hDC)
{
    DC* dc = FindDC(hDC);
    return dc && dc->surface ? *dc->surface : QImage();
}

size_t GdiObjectCount()
{
    const size_t images = ImageObjectCount();
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    return o.dcs.size() + o.bitmaps.size() + (o.brushes.size() - o.freeBrushes.size()) + images;
}

} // namespace gwes

using namespace gwes;

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !FindDC(hdc))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!EnsureApplication())
        return nullptr;
    auto dc = std::make_unique<DC>();
    dc->kind = DCKind::Memory;
    if (DC* source = FindDC(hdc); source && source->painter)
        dc->painter = source->painter; // its font is taken over below
    OpenSurface(*dc, NewSurface(1, 1));
    return AddDC(std::move(dc));
}

HDC GetDC(HWND hWnd)
{
    if (hWnd && !IsWindow(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!EnsureApplication())
        return nullptr;
    RECT client{0, 0, 1, 1};
    if (hWnd)
        GetClientRect(hWnd, &client);
    auto dc = std::make_unique<DC>();
    dc->kind = DCKind::Window;
    dc->hwnd = hWnd;
    OpenSurface(*dc, NewSurface(client.right, client.bottom));
    if (hWnd)
        dc->own->setFont(FontOf(hWnd));
    return AddDC(std::move(dc));
}

namespace
{
BOOL DestroyDC(HDC hdc, DCKind kind)
{
    Objects& o = Gdi();
    std::unique_ptr<DC> dc;
    {
        std::lock_guard lock(o.lock);
        auto it = o.dcs.find(Key(hdc));
        if (it == o.dcs.end() || it->second->kind != kind)
            return FALSE;
        dc = std::move(it->second);
        o.dcs.erase(it);
        if (auto b = o.bitmaps.find(Key(dc->bitmap)); b != o.bitmaps.end())
            b->second.selectedIn = nullptr;
    }
    dc->own.reset();
    return TRUE;
}
} // namespace

BOOL DeleteDC(HDC hdc)
{
    if (!DestroyDC(hdc, DCKind::Memory))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

int ReleaseDC(HWND, HDC hDC)
{
    return DestroyDC(hDC, DCKind::Window) ? 1 : 0;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    if (!FindDC(hdc) || cx < 0 || cy < 0 || static_cast<int64_t>(cx) * cy > (64 << 20))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    uintptr_t h = o.next++;
    o.bitmaps.emplace(h, Bitmap{NewSurface(cx, cy), nullptr});
    return reinterpret_cast<HBITMAP>(h);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    uintptr_t slot = o.brushes.size();
    if (!o.freeBrushes.empty())
    {
        slot = o.freeBrushes.back();
        o.freeBrushes.pop_back();
    }
    else if (slot < kBrushSlots)
    {
        o.brushes.emplace_back();
    }
    else
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BrushSlot& s = o.brushes[slot];
    s.brush = Brush{color & 0x00FFFFFF, false};
    s.used = true;
    return reinterpret_cast<HBRUSH>(kBrushFirst + s.generation * kBrushSlots + slot);
}

HGDIOBJ GetStockObject(int i)
{
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH)
        return reinterpret_cast<HGDIOBJ>(kStockFirst + static_cast<uintptr_t>(i));
    if ((i == SYSTEM_FONT || i == DEFAULT_GUI_FONT) && EnsureApplication())
        return FontHandle(DefaultFont());
    return nullptr;
}

HBRUSH GetSysColorBrush(int nIndex)
{
    if (nIndex < 0 || nIndex > COLOR_STATICTEXT)
        return nullptr;
    return reinterpret_cast<HBRUSH>(kSysBrushFirst + static_cast<uintptr_t>(nIndex));
}

DWORD GetSysColor(int nIndex)
{
    return SystemColor(nIndex);
}

DWORD GetObjectType(HGDIOBJ h)
{
    uintptr_t v = Key(h);
    if ((v >= kStockFirst && v <= kStockFirst + NULL_BRUSH) ||
        (v >= kSysBrushFirst && v <= kSysBrushFirst + COLOR_STATICTEXT))
        return OBJ_BRUSH;
    if (v == kStockBitmap || BitmapSize(static_cast<HBITMAP>(h)).cx > 0)
        return OBJ_BITMAP;
    Objects& o = Gdi();
    std::lock_guard lock(o.lock);
    if (auto it = o.dcs.find(v); it != o.dcs.end())
        return it->second->kind == DCKind::Memory ? OBJ_MEMDC : OBJ_DC;
    if (o.bitmaps.count(v))
        return OBJ_BITMAP;
    if (FindBrush(o, v))
        return OBJ_BRUSH;
    if (v >= 0x20000000 && v < 0x30000000) // the window services' font handles
        return OBJ_FONT;
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

int GetObjectW(HGDIOBJ h, int c, LPVOID pv)
{
    if (GetObjectType(h) != OBJ_BITMAP)
        return 0;
    if (!pv)
        return static_cast<int>(sizeof(BITMAP));
    if (c < static_cast<int>(sizeof(BITMAP)))
        return 0;
    SIZE size{1, 1};
    {
        Objects& o = Gdi();
        std::lock_guard lock(o.lock);
        if (auto it = o.bitmaps.find(Key(h)); it != o.bitmaps.end())
            size = {it->second.image->width(), it->second.image->height()};
    }
    if (Key(h) != kStockBitmap && !Gdi().bitmaps.count(Key(h)))
        size = BitmapSize(static_cast<HBITMAP>(h));
    BITMAP bm{};
    bm.bmWidth = size.cx;
    bm.bmHeight = size.cy;
    bm.bmWidthBytes = size.cx * 4;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    *static_cast<BITMAP*>(pv) = bm;
    return static_cast<int>(sizeof(BITMAP));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DC* dc = FindDC(hdc);
    if (!dc || !h)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DWORD type = GetObjectType(h);
    if (type == OBJ_BRUSH)
    {
        HGDIOBJ old = dc->brush;
        dc->brush = h;
        return old;
    }
    if (type == OBJ_FONT)
    {
        HGDIOBJ old = dc->font ? dc->font : FontHandle(dc->painter->font());
        dc->font = h;
        dc->painter->setFont(FontFromHandle(static_cast<HFONT>(h)));
        return old;
    }
    if (type != OBJ_BITMAP || dc->kind != DCKind::Memory)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A bitmap can be selected into one memory DC at a time.
    std::shared_ptr<QImage> surface;
    {
        Objects& o = Gdi();
        std::lock_guard lock(o.lock);
        auto it = o.bitmaps.find(Key(h));
        if (it != o.bitmaps.end())
        {
            if (it->second.selectedIn && it->second.selectedIn != hdc)
            {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            it->second.selectedIn = hdc;
            surface = it->second.image;
        }
        if (auto old = o.bitmaps.find(Key(dc->bitmap)); old != o.bitmaps.end() && old->first != Key(h))
            old->second.selectedIn = nullptr;
    }
    if (!surface)
    {
        // The stock bitmap, or a bitmap loaded from resources (drawn from; drawing into it stays in the DC).
        QImage image = Key(h) == kStockBitmap ? QImage() : BitmapImage(static_cast<HBITMAP>(h));
        surface = image.isNull() ? NewSurface(1, 1)
                                 : std::make_shared<QImage>(image.convertToFormat(QImage::Format_RGB32));
    }
    HGDIOBJ old = dc->bitmap;
    dc->bitmap = h;
    OpenSurface(*dc, std::move(surface));
    return old;
}

BOOL DeleteObject(HGDIOBJ ho)
{
    uintptr_t v = Key(ho);
    if ((v >= kStockFirst && v <= kStockFirst + NULL_BRUSH) || v == kStockBitmap ||
        (v >= kSysBrushFirst && v <= kSysBrushFirst + COLOR_STATICTEXT))
        return TRUE; // stock objects are never deleted
    {
        Objects& o = Gdi();
        std::lock_guard lock(o.lock);
        if (BrushSlot* brush = FindBrush(o, v))
        {
            brush->used = false;
            brush->generation = (brush->generation + 1) % kBrushGenerations;
            o.freeBrushes.push_back((v - kBrushFirst) % kBrushSlots);
            return TRUE;
        }
        if (auto it = o.bitmaps.find(v); it != o.bitmaps.end())
        {
            if (it->second.selectedIn) // still selected into a DC: refused, as Windows does
                return FALSE;
            o.bitmaps.erase(it);
            return TRUE;
        }
    }
    if (DeleteBitmap(static_cast<HBITMAP>(ho)))
        return TRUE;
    if (v >= 0x20000000 && v < 0x30000000)
        return TRUE; // fonts are shared by the window services and stay
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    DC* dc = FindDC(hdc);
    if (!dc || !lprect)
        return RGN_ERROR;
    QRect r = dc->clip.translated(-dc->origin);
    *lprect = {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    return r.isEmpty() ? NULLREGION : SIMPLEREGION;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    DC* dc = FindDC(hdc);
    if (!dc)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lppt)
        *lppt = {dc->origin.x(), dc->origin.y()};
    dc->origin = QPoint(x, y);
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    DC* dc = FindDC(hdc);
    if (!dc || !lppoint)
    {
        SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *lppoint = {dc->origin.x(), dc->origin.y()};
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    DC* dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->text, color & 0x00FFFFFF);
}

COLORREF GetTextColor(HDC hdc)
{
    DC* dc = FindDC(hdc);
    return dc ? dc->text : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    DC* dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->back, color & 0x00FFFFFF);
}

COLORREF GetBkColor(HDC hdc)
{
    DC* dc = FindDC(hdc);
    return dc ? dc->back : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode)
{
    DC* dc = FindDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(dc->bkMode, mode);
}

int GetBkMode(HDC hdc)
{
    DC* dc = FindDC(hdc);
    return dc ? dc->bkMode : 0;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    DC* dc = FindDC(hDC);
    COLORREF color;
    if (!dc || !lprc || !BrushColor(hbr, &color))
        return 0;
    if (lprc->right > lprc->left && lprc->bottom > lprc->top)
        dc->painter->fillRect(QRect(lprc->left, lprc->top, lprc->right - lprc->left, lprc->bottom - lprc->top)
                                  .translated(dc->origin),
                              Color(color));
    return 1;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    DC* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    COLORREF color = 0;
    if (rop == WHITENESS)
        color = RGB(255, 255, 255);
    else if (rop != BLACKNESS && !BrushColor(static_cast<HBRUSH>(dc->brush), &color))
        return TRUE;
    dc->painter->fillRect(QRect(x, y, w, h).normalized().translated(dc->origin), Color(color));
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    DC* dst = FindDC(hdc);
    DC* src = FindDC(hdcSrc);
    if (!dst || (rop == SRCCOPY && (!src || !src->surface)))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (rop == BLACKNESS || rop == WHITENESS)
        return PatBlt(hdc, x, y, cx, cy, rop);
    if (rop != SRCCOPY)
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (cx <= 0 || cy <= 0)
        return TRUE;
    const QPoint to = QPoint(x, y) + dst->origin;
    const QRect from = QRect(x1, y1, cx, cy).translated(src->origin);
    if (src == dst)
    {
        QImage copy = src->surface->copy(from);
        dst->painter->drawImage(to, copy);
        return TRUE;
    }
    dst->painter->drawImage(to, *src->surface, from);
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    DC* dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    dc->painter->fillRect(QRect(QPoint(x, y) + dc->origin, QSize(1, 1)), Color(color));
    return color & 0x00FFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DC* dc = FindDC(hdc);
    const QPoint at = QPoint(x, y) + (dc ? dc->origin : QPoint());
    if (!dc || !dc->surface || !dc->surface->rect().contains(at))
        return CLR_INVALID;
    QRgb p = dc->surface->pixel(at);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

namespace
{
int QtFlags(UINT format)
{
    int flags = 0;
    flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & DT_SINGLELINE)
    {
        flags |= Qt::TextSingleLine;
        flags |= (format & DT_VCENTER)  ? Qt::AlignVCenter
                 : (format & DT_BOTTOM) ? Qt::AlignBottom
                                        : Qt::AlignTop;
    }
    else
    {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS)
        flags |= Qt::TextExpandTabs;
    if (format & DT_NOCLIP)
        flags |= Qt::TextDontClip;
    flags |= (format & DT_NOPREFIX) ? 0 : Qt::TextShowMnemonic;
    return flags;
}
} // namespace

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    DC* dc = FindDC(hdc);
    if (!dc || !lprc || !lpchText)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view view =
        cchText < 0 ? std::u16string_view(lpchText) : std::u16string_view(lpchText, cchText);
    QString text = ToQString(view);
    QRect rect = QRect(lprc->left, lprc->top, lprc->right - lprc->left, lprc->bottom - lprc->top)
                     .translated(dc->origin);
    int flags = QtFlags(format);
    QFontMetrics metrics(dc->painter->font());
    QRect bounds = metrics.boundingRect(rect, flags & ~Qt::TextDontClip, text);
    if (format & DT_CALCRECT)
    {
        lprc->right = lprc->left + bounds.width();
        lprc->bottom = lprc->top + bounds.height();
        return bounds.height();
    }
    QPainter& p = *dc->painter;
    p.save();
    if (dc->bkMode == OPAQUE)
        p.fillRect(bounds.intersected((format & DT_NOCLIP) ? bounds : rect), Color(dc->back));
    p.setPen(Color(dc->text));
    p.drawText(rect, flags, text);
    p.restore();
    return bounds.height();
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl)
{
    DC* dc = FindDC(hdc);
    if (!dc || !psizl || c < 0 || (c > 0 && !lpString))
        return FALSE;
    QFontMetrics metrics(dc->painter->font());
    QString text = ToQString(std::u16string_view(lpString ? lpString : u"", static_cast<size_t>(c)));
    psizl->cx = metrics.horizontalAdvance(text);
    psizl->cy = metrics.height();
    return TRUE;
}
