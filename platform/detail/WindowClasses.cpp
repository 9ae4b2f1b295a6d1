// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/WindowClasses.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include "platform/detail/Controls.h"
#include "platform/detail/Icons.h"
#include "platform/detail/SoftKeyBar.h"
#include "platform/detail/Text.h"
#include "platform/detail/WindowTable.h"

namespace platform {
namespace {

LRESULT setIcon(WindowRecord& record, WPARAM which, HICON icon) {
    HICON& slot = which == ICON_BIG ? record.bigIcon : record.smallIcon;
    const HICON previous = slot;
    slot = icon;
    if (record.widget != nullptr) {
        QIcon windowIcon;
        for (HICON handle : {record.bigIcon, record.smallIcon}) {
            const QImage image = iconImage(handle);
            if (!image.isNull()) {
                windowIcon.addPixmap(QPixmap::fromImage(image));
            }
        }
        record.widget->setWindowIcon(windowIcon);
    }
    return reinterpret_cast<LRESULT>(previous);
}

}  // namespace

LRESULT windowClassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = findWindow(handle);
    if (record == nullptr) {
        return 0;
    }
    LRESULT result = 0;
    if (controlProc(*record, message, wParam, lParam, &result) ||
        softKeyBarProc(*record, message, wParam, lParam, &result)) {
        return result;
    }
    switch (message) {
        case WM_SETTEXT:
            record->text = wideView(reinterpret_cast<LPCWSTR>(lParam));
            showText(*record);
            return TRUE;
        case WM_GETTEXT:
            return copyToBuffer(record->text, reinterpret_cast<LPWSTR>(lParam),
                                static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(record->text.size());
        case WM_SETICON:
            return setIcon(*record, wParam, reinterpret_cast<HICON>(lParam));
        case WM_CLOSE:
            // A dialog treats closing as Cancel, which ends its modal run; any other window is
            // destroyed.
            if (record->windowClass == WindowClass::Dialog) {
                SendMessageW(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else {
                record->wnd->DestroyWindow();
            }
            return 0;
        default:
            return 0;
    }
}

}  // namespace platform
