// The program's icons as the window system loads them from its file: every size of each, drawn with its alpha
// (the images are PNG-compressed), transparent outside the emblem.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "EnvFolder.h"
#include "TopDownDib.h"
#include "resource.h"

namespace {

const COLORREF kBackground = RGB(255, 0, 255);

// The icon drawn on a background of kBackground: the colours of its corner and of its centre.
struct Drawn {
    COLORREF corner;
    COLORREF centre;
};

bool DrawOnBackground(HICON icon, int size, Drawn* drawn)
{
    const BITMAPINFO info = TopDownDib32(size, size);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    HBRUSH brush = ::CreateSolidBrush(kBackground);
    ::FillRect(dc, &all, brush);
    const bool ok = ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) != FALSE;
    drawn->corner = ::GetPixel(dc, 0, 0);
    drawn->centre = ::GetPixel(dc, size / 2, size / 2);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    return ok;
}

// The widths of the images an icon group holds, in their order: the window system would scale another
// size from the nearest, so only the group shows whether a size was drawn.
std::vector<int> GroupSizes(HMODULE module, int id)
{
    std::vector<int> sizes;
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (!found)
        return sizes;
    const BYTE* group = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = group[6 + 14 * i];  // each entry is 14 bytes; 0 stands for 256
        sizes.push_back(width ? width : 256);
    }
    return sizes;
}

TEST(ProgramIcons, EverySizeOfEveryIconLoadsAndDrawsWithItsTransparency)
{
    const std::string program = EnvFolder("CORVANE_SETUP_EXE");
    ASSERT_FALSE(program.empty()) << "CORVANE_SETUP_EXE is not set";
    HMODULE module = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << program;
    // The program's icon at the sizes of the tray, the title bar and the taskbar from 100 to 200 % display
    // scale; a message's icon at 32 pixels scaled alike.
    const std::vector<int> programSizes = {16, 20, 24, 32, 40, 48, 64};
    const std::vector<int> messageSizes = {32, 40, 48, 56, 64};
    for (int id : {IDI_APP, IDI_MSG_INFORMATION, IDI_MSG_ERROR, IDI_MSG_WARNING, IDI_MSG_QUESTION}) {
        const std::vector<int>& sizes = id == IDI_APP ? programSizes : messageSizes;
        EXPECT_EQ(sizes, GroupSizes(module, id)) << "icon " << id;
        for (int size : sizes) {
            HICON icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(nullptr, icon) << "icon " << id << " at " << size;
            ICONINFO parts = {};
            ASSERT_TRUE(::GetIconInfo(icon, &parts));
            BITMAP colour = {};
            ::GetObjectA(parts.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(size, colour.bmWidth) << "icon " << id;
            ::DeleteObject(parts.hbmColor);
            ::DeleteObject(parts.hbmMask);
            Drawn drawn = {};
            EXPECT_TRUE(DrawOnBackground(icon, size, &drawn)) << "icon " << id;
            EXPECT_EQ(kBackground, drawn.corner) << "icon " << id << " at " << size << ": corner not transparent";
            EXPECT_NE(kBackground, drawn.centre) << "icon " << id << " at " << size << ": centre not drawn";
            ::DestroyIcon(icon);
        }
    }
    ::FreeLibrary(module);
}

}  // namespace
