// VerifyCodeSigner: the platform's Authenticode check of a file, and the common name of the one who signed it.
#pragma once

#include "CString.h"

// True only when WinVerifyTrust accepts the file's embedded signature (a chain to a trusted root, checked
// for revocation) and the subject common name of the signer's certificate is exactly pszSigner.
// False for an empty pszSigner, a missing or unsigned file and any failure of the check.
bool VerifyCodeSigner(const CString& strPath, const wchar_t* pszSigner);
