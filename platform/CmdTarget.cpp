// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CmdTarget.h"

namespace {

bool entryMatches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam) {
    if (entry.nMessage != message) {
        return false;
    }
    // A command row names the notification code and the control id; the id is compared in its
    // 16 bits, so a control id of -1 matches 0xFFFF as it travels in the message.
    return message != WM_COMMAND || (entry.nCode == HIWORD(wParam) && entry.nID == LOWORD(wParam));
}

const AFX_MSGMAP_ENTRY* findEntry(const AFX_MSGMAP* map, UINT message, WPARAM wParam) {
    for (; map != nullptr; map = map->pfnGetBaseMap == nullptr ? nullptr : map->pfnGetBaseMap()) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
            if (entryMatches(*entry, message, wParam)) {
                return entry;
            }
        }
    }
    return nullptr;
}

const AFX_MSGMAP_ENTRY emptyEntries[] = {{0, 0, 0, nullptr}};
const AFX_MSGMAP rootMap = {nullptr, emptyEntries};

}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    return &rootMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

BOOL CCmdTarget::DispatchToMessageMap(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT* pResult) {
    const AFX_MSGMAP_ENTRY* entry = findEntry(GetMessageMap(), message, wParam);
    if (entry == nullptr) {
        return FALSE;
    }
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}
