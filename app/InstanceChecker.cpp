// InstanceChecker: open-then-create of the named mapping; the first instance leaves its window's handle in it,
// and a second one brings that window back.
#include "InstanceChecker.h"

#include "CSingleLock.h"
#include "MappedView.h"
#include "CWinApp.h"

namespace {
const char kMappingPrefix[] = "CQZVRFenlodgeInstanceChecker_MMF_";
const DWORD kMappingSize = 4;

CString MappingName()
{
    return CString(kMappingPrefix) + AfxGetApp()->m_strAppName;
}
}  // namespace

InstanceChecker::InstanceChecker() : m_mutex(FALSE, nullptr) {}

BOOL InstanceChecker::PreviousInstanceRunning()
{
    CString name = MappingName();
    m_hMapping.Reset(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!m_hMapping) {
        g_instanceMapping.Reset(
            ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMappingSize, name));
        MappedView view(g_instanceMapping ? ::MapViewOfFile(g_instanceMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE,
                                                            0, 0, kMappingSize)
                                          : nullptr);
        CSingleLock lock(&m_mutex, TRUE);
    }
    return m_hMapping.IsValid();
}

void InstanceChecker::PublishWindow(HWND hWnd)
{
    if (!g_instanceMapping) return;
    MappedView view(::MapViewOfFile(g_instanceMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kMappingSize));
    if (!view) return;
    // Window handles are 32-bit values in every process, so four bytes hold one.
    ::InterlockedExchange(static_cast<LONG volatile*>(view.Get()), static_cast<LONG>(HandleToULong(hWnd)));
}

void InstanceChecker::ActivatePreviousInstance()
{
    MappedView view(::MapViewOfFile(m_hMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kMappingSize));
    CSingleLock lock(&m_mutex, TRUE);
    HWND hWnd = view ? static_cast<HWND>(ULongToHandle(*static_cast<const volatile ULONG*>(view.Get()))) : nullptr;
    // Zero until the first instance's window exists; the handle of an ended one may name another window.
    char cls[16] = {};
    if (hWnd && ::IsWindow(hWnd) && ::GetClassNameA(hWnd, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0) {
        // Hidden to the tray, or minimised: either way the user asked to see it again.
        if (!::IsWindowVisible(hWnd)) ::ShowWindow(hWnd, SW_SHOW);
        if (::IsIconic(hWnd)) ::ShowWindow(hWnd, SW_RESTORE);
        ::SetForegroundWindow(hWnd);
    }
    view.Reset();
    m_hMapping.Reset();
}
