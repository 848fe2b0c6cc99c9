// InstallerTrusted: the signer name is compiled in as a wide literal (empty when none was configured).
#include "InstallerTrusted.h"

#include "VerifyCodeSigner.h"

bool InstallerTrusted(const CString& strPath)
{
    const wchar_t* pszSigner = CORVANE_INSTALLER_SIGNER;
    return !*pszSigner || VerifyCodeSigner(strPath, pszSigner);
}
