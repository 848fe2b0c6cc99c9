// CMenu: an owned menu loaded from the resources, with the calls a pop-up menu needs.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

class CMenu {
public:
    BOOL LoadMenu(HINSTANCE hInstance, UINT nIDResource)
    {
        // Menu templates hold UTF-16 texts; the wide call keeps them so under any ANSI code page.
        m_menu.Reset(::LoadMenuW(hInstance, MAKEINTRESOURCEW(nIDResource)));
        return m_menu.IsValid();
    }
    // A sub-menu stays owned by its menu.
    HMENU GetSubMenu(int nPos) const { return ::GetSubMenu(m_menu.Get(), nPos); }

private:
    struct MenuTraits {
        typedef HMENU Handle;
        static Handle Invalid() { return nullptr; }
        static void Release(Handle h) { ::DestroyMenu(h); }
    };
    ScopedHandle<MenuTraits> m_menu;
};
