// SPDX-License-Identifier: GPL-3.0-or-later
// The program's resources as constant C++ records: dialog templates, menus, strings, icons,
// version information and raw data, each with its id and language.
//
// An executable supplies its resources by defining the one table
//     const ResourceTable g_resources = {...};
// in a file that includes this header (so the definition has external linkage). The platform's
// entry point refers to it by name, so the definition is always linked in, even from a static
// library. Test programs, which have their own entry point, hand a table of their own to
// platform::setResourceTable instead.
#pragma once

#include <cstddef>

#include "platform/wintypes.h"

// A view of a constant array, so that records can hold lists of any length and still be
// constant-initialised.
template <typename T>
struct ResourceList {
    const T* items = nullptr;
    std::size_t count = 0;

    constexpr ResourceList() = default;
    template <std::size_t N>
    constexpr ResourceList(const T (&array)[N]) : items(array), count(N) {}

    constexpr const T* begin() const { return items; }
    constexpr const T* end() const { return items + count; }
    constexpr std::size_t size() const { return count; }
};

// A resource type or name: a number, or a string for named resources.
struct ResourceName {
    UINT id = 0;
    LPCWSTR text = nullptr;

    constexpr ResourceName(UINT number) : id(number) {}
    constexpr ResourceName(LPCWSTR name) : text(name) {}
};

// One control of a dialog template. Positions and sizes are in dialog units.
struct DialogItemTemplate {
    LPCWSTR className;  // u"BUTTON", u"EDIT", u"STATIC" or u"COMBOBOX"
    int id;             // -1 for controls that are never addressed
    LPCWSTR text;
    DWORD style;
    short x;
    short y;
    short cx;
    short cy;
};

struct DialogTemplate {
    UINT id;
    WORD language;
    LPCWSTR caption;
    DWORD style;
    DWORD exStyle;
    WORD pointSize;  // the dialog font, in points
    LPCWSTR faceName;
    short x;
    short y;
    short cx;
    short cy;
    ResourceList<DialogItemTemplate> items;  // in tab order
};

// A menu entry: a command when popup is empty, otherwise a pop-up holding popup.
struct MenuItemTemplate {
    LPCWSTR text;
    UINT id;
    ResourceList<MenuItemTemplate> popup;
};

struct MenuTemplate {
    UINT id;
    WORD language;
    ResourceList<MenuItemTemplate> items;
};

struct StringResource {
    UINT id;
    WORD language;
    LPCWSTR text;
};

// An icon image: width × height palette indexes, top row first; palette entries are
// 0xAARRGGBB, alpha 0 being transparent.
struct IconResource {
    UINT id;
    WORD language;
    int width;
    int height;
    ResourceList<DWORD> palette;
    ResourceList<BYTE> pixels;
};

struct VersionString {
    LPCWSTR key;
    LPCWSTR value;
};

struct VersionResource {
    UINT id;
    WORD language;
    WORD fileVersion[4];
    WORD productVersion[4];
    DWORD fileFlagsMask;
    DWORD fileFlags;
    DWORD fileOS;
    DWORD fileType;
    DWORD fileSubtype;
    LPCWSTR stringBlock;  // language and code page in hex, e.g. u"080403a8"
    ResourceList<VersionString> strings;
    WORD translationLanguage;
    WORD translationCodePage;
};

struct RawResource {
    ResourceName type;
    ResourceName name;
    WORD language;
    ResourceList<BYTE> data;
};

struct ResourceTable {
    ResourceList<DialogTemplate> dialogs;
    ResourceList<MenuTemplate> menus;
    ResourceList<StringResource> strings;
    ResourceList<IconResource> icons;
    ResourceList<VersionResource> versions;
    ResourceList<RawResource> rawData;
};

// The program's resources, defined by the executable.
extern const ResourceTable g_resources;

namespace platform {

// Makes table the resources that every lookup searches; the table must outlive its use.
void setResourceTable(const ResourceTable& table);

// Lookups by id; the first record with the id wins, whatever its language. Null when absent.
const DialogTemplate* findDialog(UINT id);
const MenuTemplate* findMenu(UINT id);
const StringResource* findString(UINT id);
const IconResource* findIcon(UINT id);
// A name given as a string matches the same string; one given as a number the same number.
const RawResource* findRawData(ResourceName type, ResourceName name);

}  // namespace platform
