// InstallerTrusted: whether a downloaded installer may be started, by the signer the program was built for.
#pragma once

#include "CString.h"

// True when the program was built without a signer name; otherwise true only when the file's Authenticode
// signature is valid and made by that signer. Reads the whole file: call it off the window thread.
bool InstallerTrusted(const CString& strPath);
