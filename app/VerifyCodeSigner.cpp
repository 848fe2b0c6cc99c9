// VerifyCodeSigner: WinVerifyTrust with the generic verify action, then the signer certificate's subject.
#include "VerifyCodeSigner.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "ScopedHandle.h"
#include "WideText.h"

namespace {

GUID g_actionVerifyV2 = WINTRUST_ACTION_GENERIC_VERIFY_V2;

// A verification's state data stays allocated until the same action is called again with the close action.
struct VerifyStateTraits {
    typedef WINTRUST_DATA* Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle pData)
    {
        pData->dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &g_actionVerifyV2, pData);
    }
};

// The first common name in the subject of the certificate that signed the file, from the verified state.
WideText SignerCommonName(HANDLE hState)
{
    CRYPT_PROVIDER_DATA* pProvider = ::WTHelperProvDataFromStateData(hState);
    CRYPT_PROVIDER_SGNR* pSigner = pProvider ? ::WTHelperGetProvSignerFromChain(pProvider, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* pCert = pSigner ? ::WTHelperGetProvCertFromChain(pSigner, 0) : nullptr;
    WideText name;
    if (!pCert || !pCert->pCert) return name;
    void* pOid = const_cast<char*>(szOID_COMMON_NAME);
    DWORD n = ::CertGetNameStringW(pCert->pCert, CERT_NAME_ATTR_TYPE, 0, pOid, nullptr, 0);
    if (n <= 1) return name;
    ::CertGetNameStringW(pCert->pCert, CERT_NAME_ATTR_TYPE, 0, pOid, name.GetBuffer(static_cast<int>(n) - 1), n);
    name.ReleaseBuffer();
    return name;
}

}  // namespace

bool VerifyCodeSigner(const CString& strPath, const wchar_t* pszSigner)
{
    const WideText path = WideText::FromAnsiPath(strPath);
    if (!pszSigner || !*pszSigner || path.IsEmpty()) return false;

    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // A revoked publisher or intermediate certificate (a leaked key) must stop the launch. The issuers'
    // revocation servers answer wherever the installer could be downloaded; when they cannot be reached the
    // check fails and nothing starts. A root is trusted by being in the store, so it is not asked about.
    data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // No window: the check never asks the user, whatever the machine's policy says.
    LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &g_actionVerifyV2, &data);
    ScopedHandle<VerifyStateTraits> state(&data);
    return status == ERROR_SUCCESS && SignerCommonName(data.hWVTStateData) == pszSigner;
}
