// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing services under their classic names: device contexts, bitmaps, block transfers and
// lines, with the pixel semantics of the classic drawing interface.
#pragma once

#include "platform/wintypes.h"

// Colours are 0x00BBGGRR.
using COLORREF = DWORD;
inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Raster operations.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// All of these belong to the user-interface thread.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ ho);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL LineTo(HDC hdc, int x, int y);
// CLR_INVALID for a bad handle or a point outside the surface.
COLORREF GetPixel(HDC hdc, int x, int y);
