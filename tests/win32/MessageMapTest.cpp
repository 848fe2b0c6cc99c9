// Message maps and subclassing: derived entries first, base entries next, default processing last.
#include <gtest/gtest.h>

#include "CWnd.h"

namespace {

class BaseWnd : public CWnd {
public:
    int baseCommands = 0;
    LRESULT OnPing(WPARAM, LPARAM) { return 1; }
    void OnCommandA() { ++baseCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_MESSAGE(WM_USER + 1, OnPing)
    ON_MESSAGE(WM_USER + 2, OnPing)
    ON_COMMAND(100, OnCommandA)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    int derivedCommands = 0;
    LRESULT OnPingDerived(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam + 40); }
    void OnCommandB() { ++derivedCommands; }
    LRESULT OnThrow(WPARAM, LPARAM) { throw 42; }
    LRESULT OnDefaultText(WPARAM, LPARAM) { return Default(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_MESSAGE(WM_USER + 1, OnPingDerived)
    ON_COMMAND(101, OnCommandB)
    ON_MESSAGE(WM_USER + 3, OnThrow)
    ON_MESSAGE(WM_GETTEXTLENGTH, OnDefaultText)
END_MESSAGE_MAP()

HWND MakeStatic(const char* text)
{
    return ::CreateWindowExA(0, "STATIC", text, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(MessageMap, DerivedEntriesWinBaseEntriesStillServe)
{
    HWND h = MakeStatic("text");
    ASSERT_TRUE(h);
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(h));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(h));
    EXPECT_EQ(45, ::SendMessageA(h, WM_USER + 1, 2, 3));
    EXPECT_EQ(1, ::SendMessageA(h, WM_USER + 2, 0, 0));
    ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(101, 0), 0);
    // A control notification other than a click is not a command.
    ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(101, 5), 0);
    EXPECT_EQ(1, wnd.baseCommands);
    EXPECT_EQ(1, wnd.derivedCommands);
    // Default() reaches the static control's own procedure.
    EXPECT_EQ(4, ::SendMessageA(h, WM_GETTEXTLENGTH, 0, 0));
    ::DestroyWindow(h);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

TEST(MessageMap, ExceptionsStopAtTheWindowProcedure)
{
    HWND h = MakeStatic("");
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(h));
    EXPECT_EQ(0, ::SendMessageA(h, WM_USER + 3, 0, 0));
    ::DestroyWindow(h);
}

TEST(MessageMap, ObjectGoingFirstGivesTheWindowItsProcedureBack)
{
    HWND h = MakeStatic("abc");
    {
        DerivedWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(h));
        EXPECT_FALSE(DerivedWnd().SubclassWindow(h));
    }
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    EXPECT_EQ(0, ::SendMessageA(h, WM_USER + 1, 2, 3));
    EXPECT_EQ(3, ::SendMessageA(h, WM_GETTEXTLENGTH, 0, 0));
    ::DestroyWindow(h);
}
