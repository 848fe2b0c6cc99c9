// CWinApp: the one application object; the program's entry runs its InitInstance and ends after it.
#pragma once

#include <windows.h>

#include "CString.h"
#include "CWnd.h"

// The string resource that names the application when no name is given (the application title).
const UINT AFX_IDS_APP_TITLE = 0xE000;

class CWinApp {
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // FALSE ends the application at once, as a dialog-based program does after its dialog.
    virtual BOOL InitInstance() { return FALSE; }
    // Runs once InitInstance has returned; the result is the process exit code.
    virtual int ExitInstance() { return 0; }

    // The application name: the constructor's argument, else string AFX_IDS_APP_TITLE.
    CString m_strAppName;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

    // Called by the program's entry point.
    int Run(HINSTANCE hInstance);

private:
    CString m_strAppNameArg;
};

CWinApp* AfxGetApp();
// The module that holds resources of the given id and type: this program's own.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
