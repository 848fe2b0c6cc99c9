// The tray's pop-up menu as the installer builds it from its resources: items, texts and the bold default.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "InstallerDialog.h"

namespace {

std::string ItemText(HMENU hMenu, int pos)
{
    char text[128] = {};
    ::GetMenuStringA(hMenu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
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
    EXPECT_EQ("打 开(&O)", ItemText(hPopup, 0));
    EXPECT_EQ("退 出(&X)", ItemText(hPopup, 1));
    EXPECT_EQ(0u, ::GetMenuDefaultItem(hPopup, TRUE, 0));
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    ASSERT_TRUE(::GetMenuItemInfoA(hPopup, 0, TRUE, &info));
    EXPECT_TRUE(info.fState & MFS_DEFAULT);
    ASSERT_TRUE(::GetMenuItemInfoA(hPopup, 1, TRUE, &info));
    EXPECT_FALSE(info.fState & MFS_DEFAULT);
}
