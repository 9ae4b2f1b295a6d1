// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/WindowTable.h"

#include <QCoreApplication>
#include <QThread>
#include <map>
#include <mutex>

namespace platform {
namespace {

// Handles are plain counters; an ordered map keeps children in creation order.
class WindowTable {
  public:
    HWND add(std::unique_ptr<WindowRecord> record) {
        std::lock_guard lock(mutex_);
        const UINT_PTR id = ++lastId_;
        records_.emplace(id, std::move(record));
        return reinterpret_cast<HWND>(id);
    }

    std::unique_ptr<WindowRecord> remove(HWND handle) {
        std::lock_guard lock(mutex_);
        auto it = records_.find(reinterpret_cast<UINT_PTR>(handle));
        if (it == records_.end()) {
            return nullptr;
        }
        std::unique_ptr<WindowRecord> record = std::move(it->second);
        records_.erase(it);
        return record;
    }

    WindowRecord* find(HWND handle) {
        std::lock_guard lock(mutex_);
        auto it = records_.find(reinterpret_cast<UINT_PTR>(handle));
        return it == records_.end() ? nullptr : it->second.get();
    }

    std::vector<HWND> children(HWND parent) {
        std::lock_guard lock(mutex_);
        std::vector<HWND> result;
        for (const auto& [id, record] : records_) {
            if (record->parent == parent) {
                result.push_back(reinterpret_cast<HWND>(id));
            }
        }
        return result;
    }

  private:
    std::mutex mutex_;
    UINT_PTR lastId_ = 0;
    std::map<UINT_PTR, std::unique_ptr<WindowRecord>> records_;
};

// Never destroyed: windows that outlive main must still find the table while they are torn down.
WindowTable& table() {
    static auto* instance = new WindowTable;
    return *instance;
}

}  // namespace

HWND registerWindow(std::unique_ptr<WindowRecord> record) {
    return table().add(std::move(record));
}

std::unique_ptr<WindowRecord> unregisterWindow(HWND handle) {
    return table().remove(handle);
}

bool isLiveWindow(HWND handle) {
    return handle != nullptr && table().find(handle) != nullptr;
}

WindowRecord* findWindow(HWND handle) {
    return handle != nullptr && isUiThread() ? table().find(handle) : nullptr;
}

std::vector<HWND> childWindows(HWND parent) {
    return table().children(parent);
}

bool isUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace platform
