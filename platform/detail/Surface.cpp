// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/Surface.h"

#include <QPaintEvent>
#include <QPainter>

namespace platform {
namespace {

// Lies over the whole window, lets the mouse through and paints the surface, so what was drawn
// stays visible through every repaint of the window underneath.
class SurfaceView : public QWidget {
  public:
    SurfaceView(QWidget* window, std::shared_ptr<Surface> surface)
        : QWidget(window), surface_(std::move(surface)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.drawImage(event->rect(), surface_->image, event->rect());
    }

  private:
    std::shared_ptr<Surface> surface_;
};

}  // namespace

std::shared_ptr<Surface> windowSurface(WindowRecord& record) {
    if (record.widget == nullptr) {
        return nullptr;
    }
    const QSize size = record.widget->size();
    if (record.surface == nullptr) {
        record.surface = std::make_shared<Surface>();
        record.surface->image = QImage(size, QImage::Format_ARGB32);
        record.surface->image.fill(Qt::transparent);
        auto* view = new SurfaceView(record.widget, record.surface);
        view->setGeometry(0, 0, size.width(), size.height());
        view->show();
        view->raise();
        record.surface->view = view;
    } else if (record.surface->image.size() != size) {
        // Copying a larger rectangle fills the new part with transparent pixels.
        record.surface->image = record.surface->image.copy(0, 0, size.width(), size.height());
        if (record.surface->view) {
            record.surface->view->setGeometry(0, 0, size.width(), size.height());
        }
    }
    return record.surface;
}

}  // namespace platform
