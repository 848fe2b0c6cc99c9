// FileSignature: hashes the file in fixed pieces, so an installer of any size needs no large buffer.
#include "FileSignature.h"

#include <vector>

#include "CFile.h"
#include "FileRetry.h"
#include "Md5.h"

namespace {
const UINT kPieceSize = 256 * 1024;
}

CString FileSignature(CString strPath)
{
    CFile file;
    // Read while others read or even write: a scanner opens every new program as it lands. A handle that
    // shares nothing is waited out for a moment.
    CFileException error;
    const BOOL opened = RetryWhileShared([&] {
        if (file.Open(strPath, CFile::modeRead | CFile::shareDenyNone, &error)) return TRUE;
        ::SetLastError(static_cast<DWORD>(error.m_lOsError));
        return FALSE;
    });
    if (!opened) return CString();
    std::vector<unsigned char> piece(kPieceSize);
    Md5 md5;
    try {
        for (UINT got; (got = file.Read(piece.data(), kPieceSize)) > 0;) md5.Update(piece.data(), got);
    } catch (CFileException* e) {
        e->Delete();
        return CString();
    }
    file.Close();
    char hex[33];
    md5.FinalHex(hex);
    return CString(hex);
}
