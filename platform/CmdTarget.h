// SPDX-License-Identifier: GPL-3.0-or-later
// The root of every class that receives messages through a message map.
#pragma once

#include "platform/MessageMap.h"

class CCmdTarget {
  public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    virtual const AFX_MSGMAP* GetMessageMap() const;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();

    // Looks the message up in this object's map, then in each base class's map, and calls the
    // first matching handler. Returns FALSE, leaving *pResult alone, when no row matches.
    BOOL DispatchToMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};
