// InstanceChecker: open-then-create of the named mapping; the second instance looks for the first one's window.
#include "InstanceChecker.h"

#include "CSingleLock.h"
#include "CWinApp.h"

namespace {
const char kMappingPrefix[] = "CQZVRFenlodgeInstanceChecker_MMF_";
const DWORD kMappingSize = 4;

CString MappingName()
{
    return CString(kMappingPrefix) + AfxGetApp()->m_strAppName;
}
}  // namespace

InstanceChecker::InstanceChecker() : m_mutex(FALSE, nullptr), m_hMapping(nullptr) {}

BOOL InstanceChecker::PreviousInstanceRunning()
{
    CString name = MappingName();
    m_hMapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!m_hMapping) {
        g_instanceMapping.Reset(
            ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMappingSize, name));
        void* view = g_instanceMapping
                         ? ::MapViewOfFile(g_instanceMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kMappingSize)
                         : nullptr;
        CSingleLock lock(&m_mutex, TRUE);
        if (view) ::UnmapViewOfFile(view);
    }
    return m_hMapping != nullptr;
}

void InstanceChecker::ActivatePreviousInstance()
{
    void* view = ::MapViewOfFile(m_hMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kMappingSize);
    CSingleLock lock(&m_mutex, TRUE);
    char title[256] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), AFX_IDS_APP_TITLE, title, sizeof title);
    // "#32770" is the window class of every dialog.
    HWND hWnd = ::FindWindowA("#32770", title);
    if (hWnd) {
        ::ShowWindow(hWnd, SW_RESTORE);
        ::SetForegroundWindow(hWnd);
    }
    if (view) ::UnmapViewOfFile(view);
    ::CloseHandle(m_hMapping);
    m_hMapping = nullptr;
}
