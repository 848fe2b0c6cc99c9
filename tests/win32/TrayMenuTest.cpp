// The tray's pop-up menu as the installer builds it from its resources: items, texts and the bold default;
// and how it is shown: in front, and followed by a message in its owner's queue. ctest runs the menu's tests again
// under the ANSI code pages 1252 and 950 (CORVANE_EXPECT_ACP names the one asked for): the texts stay Chinese.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "InstallerDialog.h"

namespace {

// Read wide: the shell draws the menu from its UTF-16 texts, whatever the ANSI code page.
std::wstring ItemText(HMENU hMenu, int pos)
{
    wchar_t text[128] = {};
    ::GetMenuStringW(hMenu, pos, text, 128, MF_BYPOSITION);
    return text;
}

thread_local bool t_menuSeen;

BOOL CALLBACK FindVisibleMenu(HWND hWnd, LPARAM)
{
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    // "#32768" is the class of every pop-up menu window.
    if (lstrcmpA(cls, "#32768") == 0 && ::IsWindowVisible(hWnd)) t_menuSeen = true;
    return !t_menuSeen;
}

// Runs inside the menu's own loop: once the menu shows, closes it as a click elsewhere would.
VOID CALLBACK CloseMenuWhenShown(HWND, UINT, UINT_PTR id, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindVisibleMenu, 0);
    if (!t_menuSeen) return;
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

}  // namespace

TEST(TrayMenu, OpenThenExitWithOpenAsTheBoldDefault)
{
    CMenu menu;
    HMENU hPopup = InstallerDialog::LoadTrayMenu(menu);
    ASSERT_NE(nullptr, hPopup);
    ASSERT_EQ(2, ::GetMenuItemCount(hPopup));
    EXPECT_EQ(32771u, ::GetMenuItemID(hPopup, 0));
    EXPECT_EQ(32772u, ::GetMenuItemID(hPopup, 1));
    EXPECT_EQ(L"打 开(&O)", ItemText(hPopup, 0));
    EXPECT_EQ(L"退 出(&X)", ItemText(hPopup, 1));
    EXPECT_EQ(0u, ::GetMenuDefaultItem(hPopup, TRUE, 0));
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    ASSERT_TRUE(::GetMenuItemInfoA(hPopup, 0, TRUE, &info));
    EXPECT_TRUE(info.fState & MFS_DEFAULT);
    ASSERT_TRUE(::GetMenuItemInfoA(hPopup, 1, TRUE, &info));
    EXPECT_FALSE(info.fState & MFS_DEFAULT);
}

TEST(TrayMenu, RunsInTheCodePageAskedFor)
{
    const char* expected = std::getenv("CORVANE_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "run in the prefix's own code page";
    EXPECT_EQ(std::strtoul(expected, nullptr, 10), ::GetACP());
}

TEST(TrayMenu, ShownInFrontAndFollowedByAMessageToItsOwner)
{
    HWND owner = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "tray owner", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    CMenu menu;
    HMENU hPopup = InstallerDialog::LoadTrayMenu(menu);
    ASSERT_NE(nullptr, hPopup);
    MSG msg;
    while (::PeekMessageA(&msg, owner, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);

    t_menuSeen = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &CloseMenuWhenShown);
    InstallerDialog::TrackTrayMenu(owner, hPopup, POINT{100, 100});
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(t_menuSeen);
    EXPECT_EQ(owner, ::GetForegroundWindow());
    // A zero filter takes every message, so WM_NULL is looked for among all of the owner's.
    bool nullPosted = false;
    while (::PeekMessageA(&msg, owner, 0, 0, PM_REMOVE)) nullPosted = nullPosted || msg.message == WM_NULL;
    EXPECT_TRUE(nullPosted);
    ::DestroyWindow(owner);
}
