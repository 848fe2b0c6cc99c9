// The installer's process objects for test programs, which link the installer core without its entry point.
#include "InstallerGlobals.h"
#include "KernelHandle.h"

int g_nVerType = 0;
CString g_strFileSign;
CDownloadFile g_DownloadFile;
KernelHandle g_instanceMapping;
