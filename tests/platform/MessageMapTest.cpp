// SPDX-License-Identifier: GPL-3.0-or-later
// Message maps: rows searched in order, the base class's map after the class's own, and
// WM_COMMAND matched by notification code and control id.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Wnd.h"

namespace {

constexpr UINT kShared = WM_USER + 1;
constexpr UINT kBaseOnly = WM_USER + 2;
constexpr UINT kOrdered = WM_USER + 3;
constexpr UINT kUnmapped = WM_USER + 4;
constexpr int kBaseCommand = 100;
constexpr int kControl = 200;
constexpr int kUnaddressed = -1;

class BaseWnd : public CWnd {
  public:
    std::vector<std::string> calls;

    LRESULT OnShared(WPARAM, LPARAM) {
        calls.push_back("base shared");
        return 12;
    }
    LRESULT OnBaseOnly(WPARAM, LPARAM) {
        calls.push_back("base only");
        return 11;
    }
    void OnBaseCommand() { calls.push_back("base command"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_MESSAGE(kShared, &BaseWnd::OnShared)
ON_MESSAGE(kBaseOnly, &BaseWnd::OnBaseOnly)
ON_COMMAND(kBaseCommand, &BaseWnd::OnBaseCommand)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
  public:
    LRESULT OnDerivedShared(WPARAM wParam, LPARAM lParam) {
        calls.push_back("derived shared");
        return static_cast<LRESULT>(wParam) + lParam;
    }
    LRESULT OnFirst(WPARAM, LPARAM) {
        calls.push_back("first");
        return 1;
    }
    LRESULT OnSecond(WPARAM, LPARAM) {
        calls.push_back("second");
        return 2;
    }
    void OnClicked() { calls.push_back("clicked"); }
    void OnSelChange() { calls.push_back("selchange"); }
    void OnUnaddressed() { calls.push_back("unaddressed"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
ON_MESSAGE(kOrdered, &DerivedWnd::OnFirst)
ON_MESSAGE(kShared, &DerivedWnd::OnDerivedShared)
ON_BN_CLICKED(kControl, &DerivedWnd::OnClicked)
ON_CBN_SELCHANGE(kControl, &DerivedWnd::OnSelChange)
ON_MESSAGE(kOrdered, &DerivedWnd::OnSecond)
ON_COMMAND(kUnaddressed, &DerivedWnd::OnUnaddressed)
END_MESSAGE_MAP()

struct Row {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* expectedCall;  // empty: no handler runs
    LRESULT expectedResult;
};

const Row kRows[] = {
    {"own row before base row", kShared, 3, 4, "derived shared", 7},
    {"base row when own map lacks it", kBaseOnly, 0, 0, "base only", 11},
    {"first of two rows wins", kOrdered, 0, 0, "first", 1},
    {"button click", WM_COMMAND, MAKEWPARAM(kControl, BN_CLICKED), 0, "clicked", 0},
    {"selection change", WM_COMMAND, MAKEWPARAM(kControl, CBN_SELCHANGE), 0, "selchange", 0},
    {"other notification code", WM_COMMAND, MAKEWPARAM(kControl, 5), 0, "", 0},
    {"command of base map", WM_COMMAND, MAKEWPARAM(kBaseCommand, 0), 0, "base command", 0},
    {"command id with a code", WM_COMMAND, MAKEWPARAM(kBaseCommand, 1), 0, "", 0},
    {"unknown command id", WM_COMMAND, MAKEWPARAM(kBaseCommand + 1, 0), 0, "", 0},
    {"control id -1", WM_COMMAND, MAKEWPARAM(0xFFFF, 0), 0, "unaddressed", 0},
    {"unmapped message", kUnmapped, 0, 0, "", 0},
};

TEST(MessageMapTest, RowsAreSearchedInOrderThenInTheBaseMap) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        DerivedWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
        EXPECT_EQ(row.expectedResult,
                  SendMessageW(wnd.m_hWnd, row.message, row.wParam, row.lParam));
        const std::vector<std::string> expected = *row.expectedCall == '\0'
                                                      ? std::vector<std::string>{}
                                                      : std::vector<std::string>{row.expectedCall};
        EXPECT_EQ(expected, wnd.calls);
        wnd.DestroyWindow();
    }
}

TEST(MessageMapTest, BaseClassObjectUsesOnlyItsOwnMap) {
    BaseWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    EXPECT_EQ(12, wnd.SendMessage(kShared, 3, 4));
    EXPECT_EQ(0, wnd.SendMessage(kOrdered));
    EXPECT_EQ((std::vector<std::string>{"base shared"}), wnd.calls);
}

TEST(MessageMapTest, CreateExNeedsTheMessageOnlyParentAndNoWindowYet) {
    BaseWnd wnd;
    EXPECT_EQ(FALSE, wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    ASSERT_EQ(TRUE, wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    const HWND first = wnd.m_hWnd;
    EXPECT_EQ(FALSE, wnd.CreateEx(0, u"Test", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    EXPECT_EQ(first, wnd.m_hWnd);
    EXPECT_EQ(&wnd, CWnd::FromHandle(first));
}

}  // namespace
