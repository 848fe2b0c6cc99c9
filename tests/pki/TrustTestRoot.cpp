// TrustTestRoot: adds a DER certificate to the local machine's ROOT store of the Wine prefix it runs in.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

#include "KernelHandle.h"
#include "ScopedHandle.h"

namespace {

struct CertStoreTraits {
    typedef HCERTSTORE Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::CertCloseStore(h, 0); }
};

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>& data)
{
    KernelHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        file.Detach();
        return false;
    }
    DWORD size = ::GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    data.resize(size);
    DWORD got = 0;
    return ::ReadFile(file.Get(), data.data(), size, &got, nullptr) && got == size;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<BYTE> der;
    if (argc != 2 || !ReadWholeFile(argv[1], der)) {
        std::fprintf(stderr, "usage: TrustTestRoot ROOT.der\n");
        return 2;
    }
    // The machine store, unlike the user's, takes a root without asking; adding one already there is a no-op.
    ScopedHandle<CertStoreTraits> store(::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                        CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
    if (!store) {
        std::fprintf(stderr, "cannot open the ROOT store: %lu\n", ::GetLastError());
        return 1;
    }
    if (!::CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING, der.data(),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING,
                                            nullptr)) {
        std::fprintf(stderr, "cannot add the certificate: 0x%08lx\n", ::GetLastError());
        return 1;
    }
    return 0;
}
