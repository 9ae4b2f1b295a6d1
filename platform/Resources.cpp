// SPDX-License-Identifier: GPL-3.0-or-later
// The resource table, lookups by id, and icons loaded from it.
#include "platform/Resources.h"

#include <QImage>
#include <atomic>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/WinApp.h"
#include "platform/detail/Icons.h"
#include "platform/winuser.h"

namespace platform {
namespace {

constexpr ResourceTable kEmptyTable{};
std::atomic<const ResourceTable*> currentTable{&kEmptyTable};

template <typename Record>
const Record* findById(const ResourceList<Record>& list, UINT id) {
    for (const Record& record : list) {
        if (record.id == id) {
            return &record;
        }
    }
    return nullptr;
}

bool sameName(const ResourceName& a, const ResourceName& b) {
    if (a.text == nullptr || b.text == nullptr) {
        return a.text == b.text && a.id == b.id;
    }
    return std::u16string_view(a.text) == std::u16string_view(b.text);
}

QImage buildIconImage(const IconResource& icon) {
    const std::size_t pixelCount = static_cast<std::size_t>(icon.width) * icon.height;
    if (icon.width <= 0 || icon.height <= 0 || icon.pixels.size() != pixelCount) {
        return {};
    }
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < icon.width; ++x) {
            const BYTE index = icon.pixels.items[static_cast<std::size_t>(y) * icon.width + x];
            row[x] = index < icon.palette.size() ? icon.palette.items[index] : 0;
        }
    }
    return image;
}

// Loading the same icon again gives the same handle, as classic shared icons do; handles are
// numbers and never reused.
class IconTable {
  public:
    HICON load(const IconResource& icon) {
        std::lock_guard lock(mutex_);
        auto known = handleByResource_.find(&icon);
        if (known != handleByResource_.end()) {
            return known->second;
        }
        QImage image = buildIconImage(icon);
        if (image.isNull()) {
            return nullptr;
        }
        const HICON handle = reinterpret_cast<HICON>(++lastId_);
        handleByResource_.emplace(&icon, handle);
        images_.emplace(handle, std::move(image));
        return handle;
    }

    QImage image(HICON handle) {
        std::lock_guard lock(mutex_);
        auto it = images_.find(handle);
        return it == images_.end() ? QImage() : it->second;
    }

  private:
    std::mutex mutex_;
    UINT_PTR lastId_ = 0;
    std::map<const IconResource*, HICON> handleByResource_;
    std::map<HICON, QImage> images_;
};

IconTable& iconTable() {
    static IconTable table;
    return table;
}

}  // namespace

void setResourceTable(const ResourceTable& table) {
    currentTable.store(&table);
}

const DialogTemplate* findDialog(UINT id) {
    return findById(currentTable.load()->dialogs, id);
}

const MenuTemplate* findMenu(UINT id) {
    return findById(currentTable.load()->menus, id);
}

const StringResource* findString(UINT id) {
    return findById(currentTable.load()->strings, id);
}

const IconResource* findIcon(UINT id) {
    return findById(currentTable.load()->icons, id);
}

const RawResource* findRawData(ResourceName type, ResourceName name) {
    for (const RawResource& record : currentTable.load()->rawData) {
        if (sameName(record.type, type) && sameName(record.name, name)) {
            return &record;
        }
    }
    return nullptr;
}

QImage iconImage(HICON icon) {
    return iconTable().image(icon);
}

}  // namespace platform

HINSTANCE AfxGetInstanceHandle() {
    // The program is one module; its handle only has to be non-null and stable.
    return reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(1));
}

// Only the program's own icons are available; the classic stock icons (null instance) are not.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    if (hInstance != AfxGetInstanceHandle() || lpIconName == nullptr ||
        !IS_INTRESOURCE(lpIconName)) {
        return nullptr;
    }
    const IconResource* icon =
        platform::findIcon(static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpIconName)));
    return icon == nullptr ? nullptr : platform::iconTable().load(*icon);
}
