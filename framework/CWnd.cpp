// CWnd: subclassing, message-map dispatch and the thin one-call wrappers that need more than a line.
#include "CWnd.h"

#include "WideText.h"

namespace {
// The window property that links an HWND to its CWnd.
const char kWndProp[] = "CorvaneCWnd";
}  // namespace

CWnd::~CWnd()
{
    // The object is going while its window lives on: give the window back its own procedure.
    if (m_hWnd && m_pfnSuper && ::IsWindow(m_hWnd) && FromHandlePermanent(m_hWnd) == this) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropA(m_hWnd, kWndProp);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kWndProp)) : nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    if (!::SetPropA(hWnd, kWndProp, this)) return FALSE;
    m_hWnd = hWnd;
    // A wide procedure: through a narrow one, every text the window is given would pass the ANSI code page.
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return TRUE;
}

void CWnd::SetWindowText(const char* pszText)
{
    ::SetWindowTextW(m_hWnd, WideText(pszText).c_str());
}

WideText CWnd::GetWindowTextWide() const
{
    WideText text;
    const int n = ::GetWindowTextLengthW(m_hWnd);
    const int got = ::GetWindowTextW(m_hWnd, text.GetBuffer(n), n + 1);
    text.ReleaseBuffer(got > 0 ? got : 0);
    return text;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd)
{
    DWORD style = static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle) return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    return TRUE;
}

const MessageMap* CWnd::GetThisMessageMap()
{
    static const MessageMapEntry s_entries[] = {{0, 0, MessageMapEntry::kEnd, nullptr, nullptr}};
    static const MessageMap s_map = {nullptr, s_entries};
    return &s_map;
}

const MessageMap* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Commands come from menus and buttons (code 0) or accelerators (code 1); other notifications
    // are messages like any other.
    const bool isCommand = message == WM_COMMAND && HIWORD(wParam) <= 1;
    for (const MessageMap* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const MessageMapEntry* e = map->pEntries; e->kind != MessageMapEntry::kEnd; ++e) {
            if (e->nMessage != message) continue;
            if (e->kind == MessageMapEntry::kCommand) {
                if (isCommand && e->nID == LOWORD(wParam)) {
                    (this->*e->pfnCommand)();
                    *pResult = 0;
                    return true;
                }
            } else {
                *pResult = (this->*e->pfnMessage)(wParam, lParam);
                return true;
            }
        }
    }
    return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Dispatch(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProcW(hWnd, message, wParam, lParam);

    const MSG saved = pWnd->m_currentMsg;
    pWnd->m_currentMsg.hwnd = hWnd;
    pWnd->m_currentMsg.message = message;
    pWnd->m_currentMsg.wParam = wParam;
    pWnd->m_currentMsg.lParam = lParam;
    LRESULT result = 0;
    // No C++ exception may unwind through the window system's frames.
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        ::OutputDebugStringA("unhandled exception in a window procedure\n");
    }
    pWnd->m_currentMsg = saved;

    if (message == WM_NCDESTROY) {
        // The window is gone: unhook so that the object no longer refers to it.
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        ::RemovePropA(hWnd, kWndProp);
        pWnd->m_hWnd = nullptr;
        pWnd->m_pfnSuper = nullptr;
    }
    return result;
}
