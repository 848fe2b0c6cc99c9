// InstallerApp and the process objects, defined here in the order in which they must be constructed.
#include "InstallerApp.h"

#include <memory>

#include "InstallerDialog.h"
#include "InstallerGlobals.h"
#include "InstanceChecker.h"
#include "RestrictDllSearch.h"

// Constructed in this order before the application starts, destroyed in reverse when the process ends.
int g_nVerType = 0;
CString g_strFileSign;
InstallerApp theApp;
CDownloadFile g_DownloadFile;
KernelHandle g_instanceMapping;

InstallerApp::InstallerApp() : CWinApp(nullptr)
{
    RestrictDllSearch();
}

BOOL InstallerApp::InitInstance()
{
    InstanceChecker checker;
    if (checker.PreviousInstanceRunning()) {
        checker.ActivatePreviousInstance();
        return FALSE;
    }
    std::unique_ptr<InstallerDialog> dialog(new InstallerDialog(nullptr));
    m_pMainWnd = dialog.get();
    dialog->DoModal();
    // The worker may still use the dialog and the process objects: it must be done before they go.
    dialog->FinishWorker();
    m_pMainWnd = nullptr;
    return FALSE;
}
