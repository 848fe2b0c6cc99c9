// InstallerApp: the application object; one installer window per logon, then the program ends.
#pragma once

#include "CWinApp.h"

class InstallerApp : public CWinApp {
public:
    // Restricts the library search first: the application object is constructed before anything else runs.
    InstallerApp();
    ~InstallerApp() override = default;

    // Runs the installer window modally unless another instance runs; FALSE in every case, so the
    // application ends right after.
    BOOL InitInstance() override;
};
