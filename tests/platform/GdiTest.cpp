// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing: memory contexts and bitmaps, block transfers, lines, and window surfaces.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <climits>
#include <string>
#include <vector>

#include "platform/wingdi.h"
#include "tests/platform/OpenDialog.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A memory context with a white bitmap of the given size selected, released at the end.
class Canvas {
  public:
    Canvas(int width, int height)
        : dc_(CreateCompatibleDC(nullptr)),
          bitmap_(CreateCompatibleBitmap(dc_, width, height)),
          width_(width),
          height_(height) {
        previous_ = SelectObject(dc_, bitmap_);
        BitBlt(dc_, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }

    // One character per pixel, row by row: '#' black, '.' white.
    std::string picture() const {
        std::string result;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                result += GetPixel(dc_, x, y) == kBlack ? '#' : '.';
            }
            result += '\n';
        }
        return result;
    }

    std::vector<POINT> blackPixels() const {
        std::vector<POINT> result;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (GetPixel(dc_, x, y) == kBlack) {
                    result.push_back({x, y});
                }
            }
        }
        return result;
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = nullptr;
    int width_;
    int height_;
};

std::string join(std::initializer_list<const char*> rows) {
    std::string result;
    for (const char* row : rows) {
        result += row;
        result += '\n';
    }
    return result;
}

TEST(GdiTest, LinesStopBeforeTheirEndPoint) {
    struct Row {
        const char* name;
        POINT from;
        POINT to;
        std::string expected;
    };
    const Row rows[] = {
        {"rightwards", {0, 1}, {4, 1}, join({".....", "####.", ".....", "....."})},
        {"leftwards", {4, 1}, {0, 1}, join({".....", ".####", ".....", "....."})},
        {"downwards", {2, 0}, {2, 3}, join({"..#..", "..#..", "..#..", "....."})},
        {"diagonal", {0, 0}, {4, 4}, join({"#....", ".#...", "..#..", "...#."})},
        {"shallow, ties towards the start",
         {0, 0},
         {4, 2},
         join({"##...", "..##.", ".....", "....."})},
        {"shallow backwards", {4, 2}, {0, 0}, join({".....", ".##..", "...##", "....."})},
        {"steep", {1, 0}, {2, 4}, join({".#...", ".#...", ".#...", "..#.."})},
        {"a point draws nothing", {2, 2}, {2, 2}, join({".....", ".....", ".....", "....."})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(5, 4);
        ASSERT_EQ(TRUE, MoveToEx(canvas.dc(), row.from.x, row.from.y, nullptr));
        ASSERT_EQ(TRUE, LineTo(canvas.dc(), row.to.x, row.to.y));
        EXPECT_EQ(row.expected, canvas.picture());
    }
}

// The pixels of the classic rule, computed for every step without clipping.
std::vector<POINT> referenceLine(POINT from, POINT to, int width, int height) {
    const long dx = to.x - from.x;
    const long dy = to.y - from.y;
    const bool xMajor = std::labs(dx) >= std::labs(dy);
    const long major = xMajor ? std::labs(dx) : std::labs(dy);
    const long minor = xMajor ? std::labs(dy) : std::labs(dx);
    std::vector<POINT> pixels;
    for (long k = 0; k < major; ++k) {
        const long offset = (2 * k * minor + major - 1) / (2 * major);
        const long along = k * ((xMajor ? dx : dy) > 0 ? 1 : -1);
        const long across = offset * ((xMajor ? dy : dx) > 0 ? 1 : -1);
        const long x = from.x + (xMajor ? along : across);
        const long y = from.y + (xMajor ? across : along);
        if (x >= 0 && x < width && y >= 0 && y < height) {
            pixels.push_back({static_cast<LONG>(x), static_cast<LONG>(y)});
        }
    }
    std::sort(pixels.begin(), pixels.end(),
              [](POINT a, POINT b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return pixels;
}

TEST(GdiTest, ClippedLinesKeepExactlyTheVisiblePixels) {
    constexpr int kWidth = 9;
    constexpr int kHeight = 7;
    for (LONG x0 = -6; x0 <= 14; x0 += 4) {
        for (LONG y0 = -5; y0 <= 12; y0 += 3) {
            for (LONG x1 = -7; x1 <= 16; x1 += 5) {
                for (LONG y1 = -4; y1 <= 11; y1 += 5) {
                    SCOPED_TRACE(testing::Message()
                                 << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ")");
                    Canvas canvas(kWidth, kHeight);
                    MoveToEx(canvas.dc(), x0, y0, nullptr);
                    LineTo(canvas.dc(), x1, y1);
                    const std::vector<POINT> expected =
                        referenceLine({x0, y0}, {x1, y1}, kWidth, kHeight);
                    const std::vector<POINT> actual = canvas.blackPixels();
                    ASSERT_EQ(expected.size(), actual.size());
                    for (std::size_t i = 0; i < expected.size(); ++i) {
                        ASSERT_EQ(expected[i].x, actual[i].x);
                        ASSERT_EQ(expected[i].y, actual[i].y);
                    }
                }
            }
        }
    }
}

TEST(GdiTest, FarOutCoordinatesAreClippedWithoutOverflow) {
    struct Row {
        const char* name;
        POINT from;
        POINT to;
        std::string expected;
    };
    const Row rows[] = {
        {"across the whole range", {INT_MIN, 1}, {INT_MAX, 1}, join({"....", "####", "...."})},
        {"corner to corner",
         {INT_MIN, INT_MIN},
         {INT_MAX, INT_MAX},
         join({"#...", ".#..", "..#."})},
        {"far right to far left", {INT_MAX, 2}, {INT_MIN, 2}, join({"....", "....", "####"})},
        {"entirely outside", {INT_MIN, -5}, {INT_MAX, -5}, join({"....", "....", "...."})},
        {"steep from far above", {2, INT_MIN}, {2, INT_MAX}, join({"..#.", "..#.", "..#."})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Canvas canvas(4, 3);
        MoveToEx(canvas.dc(), row.from.x, row.from.y, nullptr);
        EXPECT_EQ(TRUE, LineTo(canvas.dc(), row.to.x, row.to.y));
        EXPECT_EQ(row.expected, canvas.picture());
    }
}

TEST(GdiTest, LineToMovesTheCurrentPosition) {
    Canvas canvas(5, 3);
    POINT previous{-1, -1};
    ASSERT_EQ(TRUE, MoveToEx(canvas.dc(), 0, 0, &previous));
    EXPECT_EQ(0, previous.x) << "a new context starts at the origin";
    EXPECT_EQ(0, previous.y);
    LineTo(canvas.dc(), 2, 0);
    LineTo(canvas.dc(), 2, 2);
    LineTo(canvas.dc(), 4, 2);
    EXPECT_EQ(join({"###..", "..#..", "..##."}), canvas.picture());
    MoveToEx(canvas.dc(), 1, 1, &previous);
    EXPECT_EQ(4, previous.x);
    EXPECT_EQ(2, previous.y);
}

TEST(GdiTest, WhitenessFillsTheClippedRectangle) {
    Canvas canvas(4, 3);
    ASSERT_EQ(TRUE, MoveToEx(canvas.dc(), 0, 0, nullptr));
    for (int y = 0; y < 3; ++y) {
        MoveToEx(canvas.dc(), 0, y, nullptr);
        LineTo(canvas.dc(), 4, y);
    }
    ASSERT_EQ(TRUE, BitBlt(canvas.dc(), 2, -5, 100, 7, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(join({"##..", "##..", "####"}), canvas.picture());
    ASSERT_EQ(TRUE,
              BitBlt(canvas.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(join({"##..", "##..", "####"}), canvas.picture()) << "ends at -1, -1";
    ASSERT_EQ(TRUE, BitBlt(canvas.dc(), -1, -1, INT_MAX, INT_MAX, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(join({"....", "....", "...."}), canvas.picture());
}

TEST(GdiTest, SrcCopyCopiesTheOverlapOfBothSurfaces) {
    Canvas source(3, 2);
    MoveToEx(source.dc(), 0, 0, nullptr);
    LineTo(source.dc(), 3, 0);  // top row black
    MoveToEx(source.dc(), 0, 1, nullptr);
    LineTo(source.dc(), 1, 1);  // (0, 1) black

    Canvas target(5, 4);
    ASSERT_EQ(TRUE, BitBlt(target.dc(), 3, 2, 10, 10, source.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(join({".....", ".....", "...##", "...#."}), target.picture());

    Canvas shifted(5, 4);
    ASSERT_EQ(TRUE, BitBlt(shifted.dc(), 0, 0, 5, 4, source.dc(), -1, -1, SRCCOPY));
    EXPECT_EQ(join({".....", ".###.", ".#...", "....."}), shifted.picture());
}

TEST(GdiTest, SrcCopyWithinOneSurfaceHandlesOverlap) {
    Canvas canvas(3, 4);
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 0, 2);  // (0, 0) and (0, 1)
    ASSERT_EQ(TRUE, BitBlt(canvas.dc(), 1, 1, 2, 3, canvas.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(join({"#..", "##.", ".#.", "..."}), canvas.picture());
    ASSERT_EQ(TRUE, BitBlt(canvas.dc(), 0, 0, 3, 3, canvas.dc(), 0, 1, SRCCOPY));
    EXPECT_EQ(join({"##.", ".#.", "...", "..."}), canvas.picture());
}

TEST(GdiTest, BadHandlesAndUnsupportedOperationsFail) {
    Canvas canvas(2, 2);
    const HDC bogusDc = reinterpret_cast<HDC>(static_cast<UINT_PTR>(0x7FFFFFF));
    const HGDIOBJ bogusObject = reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(0x7FFFFFF));
    EXPECT_EQ(FALSE, BitBlt(bogusDc, 0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(FALSE, BitBlt(canvas.dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY)) << "no source";
    EXPECT_EQ(FALSE, BitBlt(canvas.dc(), 0, 0, 1, 1, canvas.dc(), 0, 0, 0x00000042));
    EXPECT_EQ(FALSE, MoveToEx(bogusDc, 0, 0, nullptr));
    EXPECT_EQ(FALSE, LineTo(nullptr, 1, 1));
    EXPECT_EQ(CLR_INVALID, GetPixel(canvas.dc(), 2, 0));
    EXPECT_EQ(nullptr, CreateCompatibleDC(bogusDc));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(bogusDc, 1, 1));
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(canvas.dc(), -1, 1));
    EXPECT_EQ(nullptr, SelectObject(canvas.dc(), bogusObject));
    EXPECT_EQ(FALSE, DeleteObject(bogusObject));
    EXPECT_EQ(FALSE, DeleteDC(bogusDc));
    EXPECT_EQ(0, ReleaseDC(nullptr, canvas.dc())) << "a memory context is deleted, not released";
}

TEST(GdiTest, BitmapsBelongToOneContextAtATime) {
    const HDC first = CreateCompatibleDC(nullptr);
    const HDC second = CreateCompatibleDC(first);
    const HBITMAP bitmap = CreateCompatibleBitmap(first, 3, 3);
    ASSERT_NE(nullptr, bitmap);
    const HGDIOBJ stock = SelectObject(first, bitmap);
    ASSERT_NE(nullptr, stock) << "a fresh context holds its default bitmap";
    EXPECT_EQ(nullptr, SelectObject(second, bitmap)) << "already selected elsewhere";
    EXPECT_EQ(FALSE, DeleteObject(bitmap)) << "still selected";
    EXPECT_EQ(kBlack, GetPixel(first, 2, 2)) << "a new bitmap is black";
    EXPECT_EQ(TRUE, DeleteDC(first));
    EXPECT_EQ(FALSE, DeleteDC(first));
    EXPECT_EQ(stock, SelectObject(second, bitmap)) << "free again once its context is gone";
    EXPECT_EQ(bitmap, SelectObject(second, stock));
    EXPECT_EQ(TRUE, DeleteObject(bitmap));
    EXPECT_EQ(FALSE, DeleteObject(bitmap));
    EXPECT_EQ(TRUE, DeleteDC(second));

    const HDC third = CreateCompatibleDC(nullptr);
    const HBITMAP empty = CreateCompatibleBitmap(third, 5, 0);
    SelectObject(third, empty);
    EXPECT_EQ(kBlack, GetPixel(third, 0, 0)) << "a zero size gives one pixel";
    EXPECT_EQ(CLR_INVALID, GetPixel(third, 1, 0));
    DeleteDC(third);
    DeleteObject(empty);
}

TEST(GdiTest, WindowSurfaceStaysVisibleAcrossRepaints) {
    OpenDialog open;
    const HWND frame = open.item(testres::kWaveform);
    QGroupBox* group = open.widget<QGroupBox>(testres::kWaveform);
    group->show();
    EXPECT_EQ(nullptr, GetDC(nullptr));

    const HDC dc = GetDC(frame);
    ASSERT_NE(nullptr, dc);
    Canvas picture(10, 5);
    MoveToEx(picture.dc(), 0, 2, nullptr);
    LineTo(picture.dc(), 10, 2);
    ASSERT_EQ(TRUE, BitBlt(dc, 5, 20, 10, 5, picture.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(0, ReleaseDC(open.item(testres::kStart), dc)) << "not that window's context";
    ASSERT_EQ(1, ReleaseDC(frame, dc));
    EXPECT_EQ(0, ReleaseDC(frame, dc)) << "released already";

    for (int repaint = 0; repaint < 2; ++repaint) {
        SCOPED_TRACE(testing::Message() << "repaint " << repaint);
        const QImage shown = group->grab().toImage();
        EXPECT_EQ(qRgb(0, 0, 0), shown.pixel(7, 22)) << "the line";
        EXPECT_EQ(qRgb(255, 255, 255), shown.pixel(7, 21)) << "the white background";
        group->repaint();
    }

    const HDC again = GetDC(frame);
    EXPECT_EQ(kBlack, GetPixel(again, 5, 22)) << "the surface keeps its pixels";
    EXPECT_EQ(FALSE, DeleteDC(again)) << "a window's context is released, not deleted";
    ReleaseDC(frame, again);
}

}  // namespace
