// SPDX-License-Identifier: GPL-3.0-or-later
// Message maps: per-class tables that route window messages and commands to member functions.
#pragma once

#include <type_traits>

#include "platform/winuser.h"

class CCmdTarget;

// One row of a message map. A row for WM_COMMAND matches the notification code and control id
// that the message carries; a row for any other message matches the message alone.
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    LRESULT (*pfn)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

// A class's rows, ended by a row whose pfn is null, and the way to its base class's map.
struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace platform {

// The row that ends every map.
inline constexpr AFX_MSGMAP_ENTRY kEndOfMessageMap{0, 0, 0, nullptr};

// Each handler named in a map gets its own small function that restores the class and calls the
// member, so a handler of the wrong shape is a compile error instead of a bad cast at run time.
template <typename Class, auto Handler>
LRESULT invokeCommandHandler(CCmdTarget* target, WPARAM, LPARAM) {
    static_assert(std::is_convertible_v<decltype(Handler), void (Class::*)()>,
                  "a command handler is a member function taking no arguments and returning void");
    constexpr void (Class::*handler)() = Handler;
    (static_cast<Class*>(target)->*handler)();
    return 0;
}

template <typename Class, auto Handler>
LRESULT invokeMessageHandler(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
    static_assert(std::is_convertible_v<decltype(Handler), LRESULT (Class::*)(WPARAM, LPARAM)>,
                  "a message handler is a member function LRESULT (WPARAM, LPARAM)");
    constexpr LRESULT (Class::*handler)(WPARAM, LPARAM) = Handler;
    return (static_cast<Class*>(target)->*handler)(wParam, lParam);
}

}  // namespace platform

#define DECLARE_MESSAGE_MAP()                     \
  protected:                                      \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                    \
    platform::kEndOfMessageMap                                                               \
    }                                                                                        \
    ;                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries}; \
    return &messageMap;                                                                      \
    }

#define ON_COMMAND(id, memberFxn)                             \
    {WM_COMMAND, 0, static_cast<UINT>(static_cast<WORD>(id)), \
     &platform::invokeCommandHandler<ThisClass, memberFxn>},

#define ON_BN_CLICKED(id, memberFxn)                                   \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(static_cast<WORD>(id)), \
     &platform::invokeCommandHandler<ThisClass, memberFxn>},

#define ON_CBN_SELCHANGE(id, memberFxn)                                   \
    {WM_COMMAND, CBN_SELCHANGE, static_cast<UINT>(static_cast<WORD>(id)), \
     &platform::invokeCommandHandler<ThisClass, memberFxn>},

#define ON_MESSAGE(message, memberFxn) \
    {static_cast<UINT>(message), 0, 0, &platform::invokeMessageHandler<ThisClass, memberFxn>},
