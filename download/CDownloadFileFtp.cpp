// CDownloadFile's FTP transport: log-in, resume by REST, and the file read in binary type.
#include <memory>

#include "AfxParseURL.h"
#include "CDownloadFile.h"
#include "CInternetSession.h"

namespace {

// A log-in or a file the server refuses with a permanent negative reply (RFC 959, 5yz: "550 No such file",
// "530 Not logged in") stays refused however often it is asked again.
bool IsPermanentReply(const CInternetException& e)
{
    if (e.m_dwError == ERROR_INTERNET_LOGIN_FAILURE) return true;
    if (e.m_dwError != ERROR_INTERNET_EXTENDED_ERROR) return false;
    DWORD dwCode = 0;
    char text[256] = {};
    DWORD dwLength = sizeof text;
    return ::InternetGetLastResponseInfoA(&dwCode, text, &dwLength) && text[0] == '5';
}

}  // namespace

int CDownloadFile::GetFtpFile(CInternetSession& session)
{
    CFile temp;
    if (!temp.Open(m_strTempPath, kTempOpenFlags | CFile::shareDenyWrite)) {
        NoteFailure(DownloadOutcome::Unwritable);
        return 0;
    }

    std::unique_ptr<CFtpConnection> pConnection;
    std::unique_ptr<CInternetFile> pRemote;
    DWORD dwOffset = 0;
    DWORD dwSizeBySize = 0;
    bool bSizeKnown = false;
    try {
        DWORD dwService = 0;
        CString server, object, user, password;
        INTERNET_PORT nPort = 0;
        AfxParseURLEx(m_strUrl, dwService, server, object, nPort, user, password, 0);
        pConnection.reset(user.IsEmpty()
                              ? session.GetFtpConnection(server, nullptr, nullptr, nPort, m_bReloadPassive)
                              : session.GetFtpConnection(server, user, password, nPort, m_bReloadPassive));
        // The size is asked before REST, since REST must come right before the RETR it applies to.
        bSizeKnown = pConnection->GetFileSize(object, dwSizeBySize) != FALSE;
        DWORD dwLength = temp.GetLength();
        // A temporary file longer than the remote file belongs to something else: start afresh.
        if (dwLength > 0 && bSizeKnown && dwLength > dwSizeBySize) {
            temp.SetLength(0);
            dwLength = 0;
        }
        if (dwLength > 0) {
            PostCode(DLP_RESUMED, dwLength);
            temp.SeekToEnd();
            CString rest;
            rest.Format("REST %u", static_cast<unsigned>(dwLength));
            // Refused, the server sends the whole file, written from offset 0 over the old bytes.
            if (pConnection->Command(rest, FTP_TRANSFER_TYPE_ASCII, 0))
                dwOffset = dwLength;
            else
                temp.SeekToBegin();
        }
        pRemote.reset(pConnection->OpenFile(object, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 1));
        NoteTransferStart(dwOffset);
    } catch (CInternetException* e) {
        return Fail(e, IsPermanentReply(*e) ? DownloadOutcome::Refused : DownloadOutcome::Failed);
    } catch (CException* e) {
        return Fail(e, DownloadOutcome::Unwritable);
    }
    const DWORD dwStart = m_clock();
    if (!pRemote) return 0;

    try {
        DWORD dwHigh = 0;
        // The server's own answer to SIZE comes first: some WinInet versions give 0 from FtpGetFileSize
        // whatever the file.
        m_dwTotalSize = bSizeKnown ? dwSizeBySize : ::FtpGetFileSize(*pRemote, &dwHigh);
        if (m_dwTotalSize > 0) PostCode(DLP_TOTAL, m_dwTotalSize);
        CInternetFile& remote = *pRemote;
        RunChunkLoop([&remote](void* p, UINT n) { return remote.Read(p, n); }, temp, dwOffset, dwStart);
        if (m_dwTotalSize == 0) CompleteUntoldLength(temp);
    } catch (CFileException* e) {
        return Fail(e, DownloadOutcome::Unwritable);
    }
    pRemote.reset();
    temp.Close();
    pConnection.reset();
    return 1;
}
