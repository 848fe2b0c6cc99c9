// InstallerApp and the process objects, defined here in the order in which they must be constructed.
#include "InstallerApp.h"

#include <cstdlib>
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

// The runtime's default handler for an escaped exception writes the exception's demangled type to the
// standard error, which a windowed program does not have, then aborts. Aborting at once ends the same way and
// keeps the demangler and the formatted output it uses (about 70 KB) out of the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}

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
