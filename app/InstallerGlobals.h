// The installer's process-wide state: edition number, stored signature and the one download engine.
#pragma once

#include "CDownloadFile.h"
#include "CString.h"

extern int g_nVerType;
extern CString g_strFileSign;
extern CDownloadFile g_DownloadFile;
