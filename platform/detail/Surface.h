// SPDX-License-Identifier: GPL-3.0-or-later
// The pixels that drawing contexts draw on. Internal to the platform layer.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/detail/WindowTable.h"

namespace platform {

// A bitmap's pixels, or a window's persistent drawing surface. Every pixel format is
// QImage::Format_ARGB32; a window surface starts transparent, so the window shows through
// wherever nothing has been drawn.
struct Surface {
    QImage image;
    // The widget that shows a window's surface on top of the window; null for bitmaps and once
    // the window is gone.
    QPointer<QWidget> view;

    // Schedules a repaint of the window that shows the surface.
    void changed() const {
        if (view) {
            view->update();
        }
    }
};

// The window's surface, created on first use and grown with the window. Null for windows that
// have no widget.
std::shared_ptr<Surface> windowSurface(WindowRecord& record);

}  // namespace platform
