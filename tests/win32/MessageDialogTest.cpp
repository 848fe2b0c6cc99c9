// MessageDialog run modally on real windows: size, button places, results, drag band, corners, threads, GDI.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <thread>

#include "MessageDialog.h"
#include "SkinTestSupport.h"
#include "resource.h"

static bool operator==(const RECT& a, const RECT& b)
{
    return ::EqualRect(&a, &b) != FALSE;
}

static std::ostream& operator<<(std::ostream& os, const RECT& r)
{
    return os << "(" << r.left << ", " << r.top << ") - (" << r.right << ", " << r.bottom << ")";
}

namespace {

// What to do with the dialog once it is on screen; runs inside the dialog's own modal loop.
thread_local std::function<void(HWND)> t_action;
// The dialog of this thread's run, ended by force should the action not end it.
thread_local HWND t_dialog;

BOOL CALLBACK FindVisibleDialog(HWND hWnd, LPARAM lParam)
{
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (::IsWindowVisible(hWnd) && lstrcmpA(cls, "#32770") == 0) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

VOID CALLBACK OnTick(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    ::KillTimer(nullptr, id);
    ::UpdateWindow(dlg);
    t_dialog = dlg;
    auto action = std::move(t_action);
    action(dlg);
}

VOID CALLBACK OnTimeout(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (t_dialog && ::IsWindow(t_dialog)) ::EndDialog(t_dialog, -1);
}

INT_PTR RunDialog(const char* text, MessageKind kind, std::function<void(HWND)> action)
{
    MessageDialog dlg;
    dlg.SetMessage("Corvane在线安装程序", text, kind);
    t_action = std::move(action);
    t_dialog = nullptr;
    ::SetTimer(nullptr, 0, 30, &OnTick);
    const UINT_PTR timeout = ::SetTimer(nullptr, 0, 15000, &OnTimeout);
    const INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, timeout);
    return result;
}

SIZE WindowSize(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT ItemRect(HWND dlg, int id)
{
    RECT rc;
    ::GetWindowRect(::GetDlgItem(dlg, id), &rc);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void Click(HWND dlg, int id)
{
    ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

}  // namespace

TEST(MessageDialog, WindowSizeFollowsTheTextOnAnyThread)
{
    struct Case {
        const char* text;
        LONG width, height;
    } cases[] = {
        {"", 199, 110},
        {"0123456789012345678901234567890x", 254, 110},
        {"a\nb", 199, 112},
        {"a\r\nb\r\nc", 199, 127},
        {"确认要退出Corvane在线安装程序？", 248, 110},
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十", 422, 110},
        {"获取安装信息失败，请稍后再试！", 242, 110},
    };
    const size_t count = sizeof cases / sizeof cases[0];
    INT_PTR results[count] = {};
    SIZE sizes[count] = {};
    const auto show = [&](size_t i) {
        results[i] = RunDialog(cases[i].text, Information, [&](HWND dlg) {
            sizes[i] = WindowSize(dlg);
            Click(dlg, IDOK);
        });
    };
    for (size_t i = 0; i + 1 < count; ++i)
        show(i);
    // The last on a worker thread, which the dialog's own modal loop serves.
    std::thread worker(show, count - 1);
    worker.join();
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(IDOK, results[i]) << cases[i].text;
        EXPECT_EQ(cases[i].width, sizes[i].cx) << cases[i].text;
        EXPECT_EQ(cases[i].height, sizes[i].cy) << cases[i].text;
    }
}

TEST(MessageDialog, AQuestionOffersTwoButtonsTheOtherKindsOkAlone)
{
    RECT ok = {}, cancel = {}, close = {};
    bool cancelShown = false;
    EXPECT_EQ(IDCANCEL, RunDialog("0123456789012345678901234567890x", Question, [&](HWND dlg) {
        ok = ItemRect(dlg, IDOK);
        cancel = ItemRect(dlg, IDCANCEL);
        close = ItemRect(dlg, IDC_MSG_CLOSE);
        cancelShown = ::IsWindowVisible(::GetDlgItem(dlg, IDCANCEL)) != FALSE;
        TakeScreenshot(dlg, "message_question");
        Click(dlg, IDCANCEL);
    }));
    EXPECT_TRUE(cancelShown);
    EXPECT_EQ((RECT{59, 73, 59 + 55, 73 + 23}), ok);
    EXPECT_EQ((RECT{141, 73, 141 + 55, 73 + 23}), cancel);
    EXPECT_EQ((RECT{254 - 34, 0, 254, 27}), close);

    char okText[16] = {};
    // The close button cancels.
    EXPECT_EQ(IDCANCEL, RunDialog("获取安装信息失败，请稍后再试！", Information, [&](HWND dlg) {
        ok = ItemRect(dlg, IDOK);
        cancelShown = ::IsWindowVisible(::GetDlgItem(dlg, IDCANCEL)) != FALSE;
        ::GetDlgItemTextA(dlg, IDOK, okText, sizeof okText);
        TakeScreenshot(dlg, "message_information");
        Click(dlg, IDC_MSG_CLOSE);
    }));
    EXPECT_FALSE(cancelShown);
    EXPECT_STREQ("确定", okText);
    // 30 bytes: 242 wide, OK centred at 121 - 27.
    EXPECT_EQ((RECT{94, 73, 94 + 55, 73 + 23}), ok);
    EXPECT_EQ(IDOK, RunDialog("x", Warning, [](HWND dlg) { Click(dlg, IDOK); }));
    // Esc reaches the dialog as the cancel command.
    EXPECT_EQ(IDCANCEL, RunDialog("x", Error, [](HWND dlg) { ::SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }));
}

// Region changes seen by the dialog: setting a window region moves nothing and resizes nothing but sends
// WM_WINDOWPOSCHANGED with a changed frame (SetWindowRgn's documented notification).
thread_local HWND t_watched;
thread_local int t_regionChanges;

LRESULT CALLBACK CountRegionChanges(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == t_watched && call->message == WM_WINDOWPOSCHANGED) {
        const UINT flags = reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags;
        const UINT still = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED;
        if ((flags & still) == still) ++t_regionChanges;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MessageDialog, DragsOnlyByTheTopBandAndCutsItsCornersOncePerSize)
{
    LRESULT row25 = 0, row26 = 0, rightEdge = 0;
    bool settled = false, corner = true, middle = false, newCorner = true, nearNewCorner = false;
    int afterPaints = -1, afterResize = -1, afterMorePaints = -1;
    RunDialog("a", Question, [&](HWND dlg) {
        // Once shown, the dialog asks for no further paint: one that did whenever it painted would keep the
        // queue busy.
        settled = PumpUntilIdle(1000);
        RECT rc;
        ::GetWindowRect(dlg, &rc);
        row25 = ::SendMessageA(dlg, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 60, rc.top + 25));
        row26 = ::SendMessageA(dlg, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 60, rc.top + 26));
        rightEdge = ::SendMessageA(dlg, WM_NCHITTEST, 0, MAKELPARAM(rc.right, rc.top + 5));
        corner = InWindowRegion(dlg, 0, 0);
        middle = InWindowRegion(dlg, 100, 60);

        t_watched = dlg;
        t_regionChanges = 0;
        HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountRegionChanges, nullptr, ::GetCurrentThreadId());
        const auto repaint = [dlg] {
            for (int i = 0; i < 5; ++i) {
                ::InvalidateRect(dlg, nullptr, TRUE);
                ::UpdateWindow(dlg);
            }
            EXPECT_TRUE(PumpUntilIdle());
            return t_regionChanges;
        };
        afterPaints = repaint();
        const SIZE size = WindowSize(dlg);
        ::SetWindowPos(dlg, nullptr, 0, 0, size.cx + 40, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(PumpUntilIdle());
        afterResize = t_regionChanges;
        afterMorePaints = repaint();
        ::UnhookWindowsHookEx(hook);
        // The cut follows the new width: the new top-right corner is out, a pixel inside it is in.
        newCorner = InWindowRegion(dlg, size.cx + 40 - 1, 0);
        nearNewCorner = InWindowRegion(dlg, size.cx + 40 - 20, 40);
        Click(dlg, IDOK);
    });
    EXPECT_TRUE(settled);
    EXPECT_EQ(HTCAPTION, row25);
    EXPECT_NE(HTCAPTION, row26);
    EXPECT_NE(HTCAPTION, rightEdge);
    EXPECT_FALSE(corner);
    EXPECT_TRUE(middle);
    EXPECT_EQ(0, afterPaints);
    EXPECT_EQ(1, afterResize);
    EXPECT_EQ(1, afterMorePaints);
    EXPECT_FALSE(newCorner);
    EXPECT_TRUE(nearNewCorner);
}

// Rows of the title band (from x = 10 to the middle) that hold dark text pixels: the title's ink height.
int TitleInkRows(HWND dlg)
{
    RECT rc;
    ::GetClientRect(dlg, &rc);
    int rows = 0;
    for (int y = 0; y < rc.bottom / 3; ++y) {
        for (int x = 10; x < rc.right / 2; ++x) {
            const COLORREF c = ScreenPixel(dlg, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

TEST(MessageDialog, FollowsANewScaleWithItsSizeButtonsFontsAndShape)
{
    struct Seen {
        RECT window, close, ok;
        bool corner, inside;
        int inkRows;
    } seen[3] = {};
    const auto look = [](HWND dlg, Seen& out) {
        EXPECT_TRUE(PumpUntilIdle());
        ::GetWindowRect(dlg, &out.window);
        out.close = ItemRect(dlg, IDC_MSG_CLOSE);
        out.ok = ItemRect(dlg, IDOK);
        const LONG width = out.window.right - out.window.left;
        out.corner = InWindowRegion(dlg, width - 1, 0);
        out.inside = InWindowRegion(dlg, width - 20, 40);
        out.inkRows = TitleInkRows(dlg);
    };
    RunDialog("确认要退出Corvane在线安装程序？", Question, [&](HWND dlg) {
        look(dlg, seen[0]);
        // As Windows sends it when the window moves to a screen at 150 %, then back to one at 100 %.
        RECT suggested = {40, 30, 40 + 372, 30 + 165};
        ::SendMessageA(dlg, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
        look(dlg, seen[1]);
        suggested = RECT{60, 50, 60 + 248, 50 + 110};
        ::SendMessageA(dlg, 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
        look(dlg, seen[2]);
        Click(dlg, IDOK);
    });
    // 248 x 110 at 96 DPI; at 144 the content's size times 1.5, where Windows suggested.
    EXPECT_EQ((RECT{40, 30, 40 + 372, 30 + 165}), seen[1].window);
    EXPECT_EQ((RECT{372 - 51, 0, 372, 41}), seen[1].close);
    EXPECT_EQ(83, seen[1].ok.right - seen[1].ok.left);
    EXPECT_EQ(35, seen[1].ok.bottom - seen[1].ok.top);
    EXPECT_EQ((RECT{60, 50, 60 + 248, 50 + 110}), seen[2].window);
    EXPECT_EQ(seen[0].close, seen[2].close);
    EXPECT_EQ(seen[0].ok, seen[2].ok);
    for (const Seen& s : seen) {
        EXPECT_FALSE(s.corner);
        EXPECT_TRUE(s.inside);
    }
    // The fonts are made anew at each scale: the title's ink grows by half and comes back.
    EXPECT_GE(seen[1].inkRows * 10, seen[0].inkRows * 13) << seen[0].inkRows << " rows, then " << seen[1].inkRows;
    EXPECT_EQ(seen[0].inkRows, seen[2].inkRows);
}

TEST(MessageDialog, LeavesNoGdiObjectsBehind)
{
    auto once = [] { RunDialog("确认要退出Corvane在线安装程序？", Question, [](HWND dlg) {
        EXPECT_TRUE(PumpUntilIdle());
        Click(dlg, IDOK);
    }); };
    once();  // caches of the first run (fonts, icons, stock objects) are not leaks
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 3; ++i) once();
    EXPECT_EQ(before, CountGdiObjects());
}
