// Icons, bitmaps and cursors as handles of Qt images.
#include "host.h"

#include <kernel/immortal.h>

#include <QApplication>
#include <QPixmap>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace gwes
{
namespace
{

struct ImageObject
{
    bool icon = false;
    std::vector<QImage> images; // icons: every size, largest first; bitmaps: one
};

// The icon and bitmap objects, and the cursor set (shown on the window thread).
struct Images
{
    std::mutex lock;
    std::map<uintptr_t, ImageObject> objects;
    uintptr_t next = 0x30000000;
    HCURSOR cursor = nullptr;
    bool cursorOverridden = false; // the wait cursor is showing
};

Images& TheImages()
{
    static ce::Immortal<Images> images;
    return images.get();
}

QImage ToQImage(const ce::res::Image& image)
{
    if (!image.png.empty())
        return QImage::fromData(image.png.data(), static_cast<int>(image.png.size()), "PNG")
            .convertToFormat(QImage::Format_ARGB32);
    if (image.width <= 0 || image.height <= 0 ||
        image.argb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return QImage();
    QImage q(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(q.scanLine(y), image.argb.data() + static_cast<size_t>(y) * image.width,
                    static_cast<size_t>(image.width) * 4);
    return q;
}

HANDLE Store(ImageObject object)
{
    Images& t = TheImages();
    std::lock_guard lock(t.lock);
    uintptr_t h = t.next++;
    t.objects.emplace(h, std::move(object));
    return reinterpret_cast<HANDLE>(h);
}

std::vector<QImage> ImagesOf(HANDLE h, bool icon)
{
    Images& t = TheImages();
    std::lock_guard lock(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.objects.end() || it->second.icon != icon)
        return {};
    return it->second.images;
}

bool Erase(HANDLE h, bool icon)
{
    Images& t = TheImages();
    std::lock_guard lock(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.objects.end() || it->second.icon != icon)
        return false;
    t.objects.erase(it);
    return true;
}

} // namespace

size_t ImageObjectCount()
{
    Images& t = TheImages();
    std::lock_guard lock(t.lock);
    return t.objects.size();
}

HICON CreateIconFromImages(const std::vector<ce::res::Image>& images)
{
    ImageObject o;
    o.icon = true;
    for (const auto& image : images)
    {
        QImage q = ToQImage(image);
        if (!q.isNull())
            o.images.push_back(std::move(q));
    }
    if (o.images.empty())
        return nullptr;
    std::stable_sort(o.images.begin(), o.images.end(),
                     [](const QImage& a, const QImage& b) { return a.width() > b.width(); });
    return static_cast<HICON>(Store(std::move(o)));
}

HBITMAP CreateBitmapFromImage(const ce::res::Image& image)
{
    return CreateBitmapFromQImage(ToQImage(image));
}

HBITMAP CreateBitmapFromQImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    ImageObject o;
    o.images.push_back(image.convertToFormat(QImage::Format_ARGB32));
    return static_cast<HBITMAP>(Store(std::move(o)));
}

BOOL DeleteBitmap(HBITMAP hBitmap)
{
    return Erase(hBitmap, false) ? TRUE : FALSE;
}

SIZE BitmapSize(HBITMAP hBitmap)
{
    std::vector<QImage> images = ImagesOf(hBitmap, false);
    if (images.empty())
        return SIZE{0, 0};
    return SIZE{images[0].width(), images[0].height()};
}

QImage BitmapImage(HBITMAP hBitmap)
{
    std::vector<QImage> images = ImagesOf(hBitmap, false);
    return images.empty() ? QImage() : images[0];
}

QIcon IconOf(HICON hIcon)
{
    QIcon icon;
    for (const QImage& image : ImagesOf(hIcon, true))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

QImage IconImage(HICON hIcon, int size)
{
    std::vector<QImage> images = ImagesOf(hIcon, true);
    if (images.empty())
        return QImage();
    // The smallest image at least as large as asked, scaled when none has exactly that size.
    const QImage* best = &images.front();
    for (const QImage& image : images)
        if (image.width() >= size && image.width() < best->width())
            best = &image;
    if (best->width() == size)
        return *best;
    return best->scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace gwes

using namespace gwes;

BOOL DestroyIcon(HICON hIcon)
{
    if (!Erase(hIcon, true))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR lpCursorName)
{
    // The standard cursors; a program's own cursors show as the arrow.
    if (IS_INTRESOURCE(lpCursorName) && reinterpret_cast<uintptr_t>(lpCursorName) == IDC_WAIT_ID)
        return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(IDC_WAIT_ID));
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(IDC_ARROW_ID));
}

HCURSOR SetCursor(HCURSOR hCursor)
{
    Images& images = TheImages();
    HCURSOR previous = std::exchange(images.cursor, hCursor);
    if (!EnsureApplication())
        return previous;
    bool wait = reinterpret_cast<uintptr_t>(hCursor) == IDC_WAIT_ID;
    if (wait && !images.cursorOverridden)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        images.cursorOverridden = true;
    }
    else if (!wait && images.cursorOverridden)
    {
        QApplication::restoreOverrideCursor();
        images.cursorOverridden = false;
    }
    return previous;
}
