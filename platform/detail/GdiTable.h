// SPDX-License-Identifier: GPL-3.0-or-later
// The table behind drawing-context and bitmap handles. Internal to the platform layer.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/detail/Surface.h"
#include "platform/wingdi.h"

namespace platform {

struct DeviceContext {
    // A window's context draws on the window's surface; a memory context on its bitmap.
    HWND window = nullptr;
    std::shared_ptr<Surface> windowSurface;
    HGDIOBJ bitmap = nullptr;
    POINT position{0, 0};
};

struct Bitmap {
    std::shared_ptr<Surface> surface;
    HDC selectedInto = nullptr;
    // The 1 × 1 bitmap every memory context starts with; shared, never deleted.
    bool stock = false;
};

// Handles of both kinds come from one counter, so a bitmap handle is never a valid context
// handle and the other way round, and no handle is reused within a run.
class GdiTable {
  public:
    // Everything that touches the table or the pixels holds this lock.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }

    HDC addContext(DeviceContext context);
    HGDIOBJ addBitmap(Bitmap bitmap);
    DeviceContext* context(HDC handle);
    Bitmap* bitmap(HGDIOBJ handle);
    void removeContext(HDC handle);
    void removeBitmap(HGDIOBJ handle);
    HGDIOBJ stockBitmap();
    // The pixels the context draws on, or null for a bad handle.
    Surface* surface(HDC handle);

  private:
    std::mutex mutex_;
    UINT_PTR lastId_ = 0;
    HGDIOBJ stockBitmap_ = nullptr;
    std::map<UINT_PTR, DeviceContext> contexts_;
    std::map<UINT_PTR, Bitmap> bitmaps_;
};

GdiTable& gdiTable();

}  // namespace platform
