// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing contexts and bitmaps: creating, selecting and deleting them.
#include "platform/detail/GdiTable.h"
#include "platform/detail/WindowTable.h"

namespace platform {

HDC GdiTable::addContext(DeviceContext context) {
    const UINT_PTR id = ++lastId_;
    contexts_.emplace(id, std::move(context));
    return reinterpret_cast<HDC>(id);
}

HGDIOBJ GdiTable::addBitmap(Bitmap bitmap) {
    const UINT_PTR id = ++lastId_;
    bitmaps_.emplace(id, std::move(bitmap));
    return reinterpret_cast<HGDIOBJ>(id);
}

DeviceContext* GdiTable::context(HDC handle) {
    auto it = contexts_.find(reinterpret_cast<UINT_PTR>(handle));
    return it == contexts_.end() ? nullptr : &it->second;
}

Bitmap* GdiTable::bitmap(HGDIOBJ handle) {
    auto it = bitmaps_.find(reinterpret_cast<UINT_PTR>(handle));
    return it == bitmaps_.end() ? nullptr : &it->second;
}

void GdiTable::removeContext(HDC handle) {
    contexts_.erase(reinterpret_cast<UINT_PTR>(handle));
}

void GdiTable::removeBitmap(HGDIOBJ handle) {
    bitmaps_.erase(reinterpret_cast<UINT_PTR>(handle));
}

HGDIOBJ GdiTable::stockBitmap() {
    if (stockBitmap_ == nullptr) {
        auto surface = std::make_shared<Surface>();
        surface->image = QImage(1, 1, QImage::Format_ARGB32);
        surface->image.fill(Qt::black);
        stockBitmap_ = addBitmap({std::move(surface), nullptr, true});
    }
    return stockBitmap_;
}

Surface* GdiTable::surface(HDC handle) {
    DeviceContext* dc = context(handle);
    if (dc == nullptr) {
        return nullptr;
    }
    if (dc->windowSurface != nullptr) {
        return dc->windowSurface.get();
    }
    Bitmap* selected = bitmap(dc->bitmap);
    return selected == nullptr ? nullptr : selected->surface.get();
}

// Never destroyed, like the window table, so late releases still find it.
GdiTable& gdiTable() {
    static auto* table = new GdiTable;
    return *table;
}

}  // namespace platform

using platform::gdiTable;

HDC GetDC(HWND hWnd) {
    platform::WindowRecord* record = platform::findWindow(hWnd);
    std::shared_ptr<platform::Surface> surface =
        record == nullptr ? nullptr : platform::windowSurface(*record);
    if (surface == nullptr) {
        return nullptr;
    }
    auto lock = gdiTable().lock();
    return gdiTable().addContext({hWnd, std::move(surface), nullptr, {0, 0}});
}

// Releasing shows what was drawn: the window repaints its surface.
int ReleaseDC(HWND hWnd, HDC hDC) {
    auto lock = gdiTable().lock();
    platform::DeviceContext* dc = gdiTable().context(hDC);
    if (dc == nullptr || dc->windowSurface == nullptr || dc->window != hWnd) {
        return 0;
    }
    dc->windowSurface->changed();
    gdiTable().removeContext(hDC);
    return 1;
}

// A null hdc asks for a context compatible with the screen, which is what every context is.
HDC CreateCompatibleDC(HDC hdc) {
    auto lock = gdiTable().lock();
    if (hdc != nullptr && gdiTable().context(hdc) == nullptr) {
        return nullptr;
    }
    return gdiTable().addContext({nullptr, nullptr, gdiTable().stockBitmap(), {0, 0}});
}

// Only memory contexts are deleted; window contexts are released. The selected bitmap stays,
// unselected, for DeleteObject.
BOOL DeleteDC(HDC hdc) {
    auto lock = gdiTable().lock();
    platform::DeviceContext* dc = gdiTable().context(hdc);
    if (dc == nullptr || dc->windowSurface != nullptr) {
        return FALSE;
    }
    if (platform::Bitmap* selected = gdiTable().bitmap(dc->bitmap); selected != nullptr) {
        selected->selectedInto = nullptr;
    }
    gdiTable().removeContext(hdc);
    return TRUE;
}

// Always a colour bitmap, black at first, even for a fresh memory context (whose classic
// counterpart would give a monochrome one). A zero width or height gives a 1 × 1 bitmap.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    auto lock = gdiTable().lock();
    if (gdiTable().context(hdc) == nullptr || cx < 0 || cy < 0) {
        return nullptr;
    }
    auto surface = std::make_shared<platform::Surface>();
    surface->image =
        QImage(cx == 0 || cy == 0 ? QSize(1, 1) : QSize(cx, cy), QImage::Format_ARGB32);
    if (surface->image.isNull()) {
        return nullptr;
    }
    surface->image.fill(Qt::black);
    return gdiTable().addBitmap({std::move(surface), nullptr, false});
}

// Only bitmaps can be selected, only into memory contexts, and a bitmap into one context at a
// time. Returns the bitmap selected before.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    auto lock = gdiTable().lock();
    platform::DeviceContext* dc = gdiTable().context(hdc);
    platform::Bitmap* bitmap = gdiTable().bitmap(h);
    if (dc == nullptr || dc->windowSurface != nullptr || bitmap == nullptr ||
        (!bitmap->stock && bitmap->selectedInto != nullptr && bitmap->selectedInto != hdc)) {
        return nullptr;
    }
    const HGDIOBJ previous = dc->bitmap;
    if (platform::Bitmap* old = gdiTable().bitmap(previous); old != nullptr && !old->stock) {
        old->selectedInto = nullptr;
    }
    if (!bitmap->stock) {
        bitmap->selectedInto = hdc;
    }
    dc->bitmap = h;
    return previous;
}

// A bitmap still selected into a context is not deleted; stock objects are never deleted.
BOOL DeleteObject(HGDIOBJ ho) {
    auto lock = gdiTable().lock();
    platform::Bitmap* bitmap = gdiTable().bitmap(ho);
    if (bitmap == nullptr || bitmap->selectedInto != nullptr) {
        return FALSE;
    }
    if (!bitmap->stock) {
        gdiTable().removeBitmap(ho);
    }
    return TRUE;
}
