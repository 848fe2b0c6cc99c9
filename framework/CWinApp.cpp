// CWinApp and the program's entry point.
#include "CWinApp.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const char* pszAppName) : m_strAppNameArg(pszAppName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

int CWinApp::Run(HINSTANCE hInstance)
{
    m_hInstance = hInstance;
    m_strAppName = m_strAppNameArg;
    if (m_strAppName.IsEmpty()) {
        char title[256] = {};
        ::LoadStringA(hInstance, AFX_IDS_APP_TITLE, title, sizeof title);
        m_strAppName = title;
    }
    InitInstance();
    return ExitInstance();
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR)
{
    return ::GetModuleHandleA(nullptr);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->Run(hInstance) : 1;
}
