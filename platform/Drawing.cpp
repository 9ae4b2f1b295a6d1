// SPDX-License-Identifier: GPL-3.0-or-later
// Block transfers and lines, with the pixel rules of the classic drawing interface and every
// coordinate clipped to the surface.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/detail/GdiTable.h"

namespace {

using platform::gdiTable;

// Intermediate products of two 32-bit coordinates need more than 64 bits.
__extension__ using Int128 = __int128;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPenColour = 0xFF000000;  // the default pen: 1 pixel, solid black

struct Span {
    std::int64_t begin;
    std::int64_t end;
    bool empty() const { return begin >= end; }
};

Span intersect(Span a, Span b) {
    return {std::max(a.begin, b.begin), std::min(a.end, b.end)};
}

void fill(QImage& image, int x, int y, int cx, int cy, QRgb colour) {
    const Span columns = intersect({x, std::int64_t{x} + cx}, {0, image.width()});
    const Span rows = intersect({y, std::int64_t{y} + cy}, {0, image.height()});
    if (columns.empty() || rows.empty()) {
        return;
    }
    for (auto row = rows.begin; row < rows.end; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(row)));
        std::fill(line + columns.begin, line + columns.end, colour);
    }
}

// Copies the part of the rectangle that lies inside both surfaces. Source and destination may
// be the same surface and overlap: rows are copied in the order that reads each before it is
// overwritten.
void copy(QImage& target, int x, int y, int cx, int cy, const QImage& source, int sx, int sy) {
    const std::int64_t shiftX = std::int64_t{sx} - x;
    const std::int64_t shiftY = std::int64_t{sy} - y;
    Span columns = intersect({x, std::int64_t{x} + cx}, {0, target.width()});
    columns = intersect(columns, {-shiftX, source.width() - shiftX});
    Span rows = intersect({y, std::int64_t{y} + cy}, {0, target.height()});
    rows = intersect(rows, {-shiftY, source.height() - shiftY});
    if (columns.empty() || rows.empty()) {
        return;
    }
    const auto width = static_cast<std::size_t>(columns.end - columns.begin) * sizeof(QRgb);
    const bool bottomUp = &target == &source && shiftY < 0;
    for (std::int64_t i = 0; i < rows.end - rows.begin; ++i) {
        const std::int64_t row = bottomUp ? rows.end - 1 - i : rows.begin + i;
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(row + shiftY)));
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(static_cast<int>(row)));
        std::memmove(to + columns.begin, from + columns.begin + shiftX, width);
    }
}

// Bresenham's line from `from` up to but excluding `to`. Along the major axis the k-th pixel
// has the minor offset floor((2·k·minor + major − 1) / (2·major)): the exact line rounded to
// the nearest pixel, ties going back towards the start. Only the steps whose major coordinate
// lies on the surface are visited, so far-out end points cost nothing, and the offset is kept
// as quotient and remainder so each step is a few additions.
void drawLine(QImage& image, POINT from, POINT to) {
    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t majorLength = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minorLength = xMajor ? std::abs(dy) : std::abs(dx);
    if (majorLength == 0) {
        return;
    }
    const std::int64_t majorStart = xMajor ? from.x : from.y;
    const std::int64_t minorStart = xMajor ? from.y : from.x;
    const std::int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const std::int64_t majorLimit = xMajor ? image.width() : image.height();
    const std::int64_t minorLimit = xMajor ? image.height() : image.width();

    // Steps k with 0 <= majorStart + majorStep·k < majorLimit, and k < majorLength.
    const Span onSurface = majorStep > 0 ? Span{-majorStart, majorLimit - majorStart}
                                         : Span{majorStart - majorLimit + 1, majorStart + 1};
    const Span steps = intersect(onSurface, {0, majorLength});
    if (steps.empty()) {
        return;
    }
    const std::int64_t divisor = 2 * majorLength;
    const Int128 numerator = Int128{2} * steps.begin * minorLength + majorLength - 1;
    auto offset = static_cast<std::int64_t>(numerator / divisor);
    auto remainder = static_cast<std::int64_t>(numerator % divisor);

    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const std::int64_t stride = image.bytesPerLine() / static_cast<std::int64_t>(sizeof(QRgb));
    for (std::int64_t k = steps.begin; k < steps.end; ++k) {
        const std::int64_t major = majorStart + majorStep * k;
        const std::int64_t minor = minorStart + minorStep * offset;
        if (minor >= 0 && minor < minorLimit) {
            const std::int64_t x = xMajor ? major : minor;
            const std::int64_t y = xMajor ? minor : major;
            bits[y * stride + x] = kPenColour;
        }
        remainder += 2 * minorLength;
        if (remainder >= divisor) {
            remainder -= divisor;
            ++offset;
        }
    }
}

}  // namespace

// WHITENESS fills the rectangle with white and needs no source; SRCCOPY copies from the
// source. Other raster operations are not provided and fail.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    auto lock = gdiTable().lock();
    platform::Surface* target = gdiTable().surface(hdc);
    if (target == nullptr) {
        return FALSE;
    }
    if (rop == WHITENESS) {
        fill(target->image, x, y, cx, cy, kWhite);
    } else if (rop == SRCCOPY) {
        const platform::Surface* source = gdiTable().surface(hdcSrc);
        if (source == nullptr) {
            return FALSE;
        }
        copy(target->image, x, y, cx, cy, source->image, x1, y1);
    } else {
        return FALSE;
    }
    target->changed();
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    auto lock = gdiTable().lock();
    platform::DeviceContext* dc = gdiTable().context(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    if (lppt != nullptr) {
        *lppt = dc->position;
    }
    dc->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    auto lock = gdiTable().lock();
    platform::Surface* target = gdiTable().surface(hdc);
    if (target == nullptr) {
        return FALSE;
    }
    platform::DeviceContext* dc = gdiTable().context(hdc);
    drawLine(target->image, dc->position, {x, y});
    dc->position = {x, y};
    target->changed();
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto lock = gdiTable().lock();
    const platform::Surface* surface = gdiTable().surface(hdc);
    if (surface == nullptr || !surface->image.valid(x, y)) {
        return CLR_INVALID;
    }
    const QRgb pixel = surface->image.pixel(x, y);
    return RGB(static_cast<BYTE>(qRed(pixel)), static_cast<BYTE>(qGreen(pixel)),
               static_cast<BYTE>(qBlue(pixel)));
}
