// CDownloadFile: the transport choice, the temporary file and its final move, progress posting, local file URLs.
#include "CDownloadFile.h"

#include <shlwapi.h>

#include <cstdlib>

#include "AfxParseURL.h"
#include "CInternetSession.h"
#include "FileRetry.h"
#include "ProgressThrottle.h"

void CDownloadFile::SetNotify(DWORD dwThreadId, HWND hWnd, UINT uMsg)
{
    m_dwNotifyThreadId = dwThreadId;
    m_hNotifyWnd = hWnd;
    m_uNotifyMsg = uMsg;
}

void CDownloadFile::PostProgress(WPARAM wParam, LPARAM lParam)
{
    if (m_hNotifyWnd) ::PostMessageA(m_hNotifyWnd, m_uNotifyMsg, wParam, lParam);
    if (m_dwNotifyThreadId) ::PostThreadMessageA(m_dwNotifyThreadId, m_uNotifyMsg, wParam, lParam);
}

WORD CDownloadFile::NewDownloadId()
{
    std::srand(::GetTickCount());
    return static_cast<WORD>(std::rand());
}

DWORD CDownloadFile::GetPartialSize()
{
    if (m_strTempPath.IsEmpty()) return 0;
    CFile temp;
    if (!temp.Open(m_strTempPath, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return 0;
    return temp.GetLength();
}

void CDownloadFile::NoteFailure(DownloadOutcome outcome)
{
    if (m_outcome == DownloadOutcome::Unfinished) m_outcome = outcome;
}

int CDownloadFile::Fail(CException* e, DownloadOutcome outcome)
{
    e->Delete();
    NoteFailure(outcome);
    return 0;
}

int CDownloadFile::DownLoadFile(CString url, CString destPath)
{
    CString line;
    line.Format("Quillfen:CDownloadFile::DownLoadFile，src:%s,dest:%s\n", static_cast<const char*>(url),
                static_cast<const char*>(destPath));
    ::OutputDebugStringA(line);
    int result = 0;
    m_outcome = DownloadOutcome::Unfinished;
    m_dwReceived = 0;
    m_transferStart = TransferStart::None;
    if (!::PathIsURLA(url)) {
        m_outcome = DownloadOutcome::Refused;
        return 0;
    }
    ::OutputDebugStringA("FILE URL:" + url + "\n");

    m_strDestPath = destPath;
    m_strUrl = url;
    m_strTempPath = destPath + kPartialSuffix;
    CString agent = CString("Update Download ") + ::PathFindFileNameA(destPath);
    DWORD dwConnection = 0;
    ::InternetGetConnectedState(&dwConnection, 0);
    DWORD dwAccess = (dwConnection & INTERNET_CONNECTION_PROXY) ? INTERNET_OPEN_TYPE_PRECONFIG
                                                                 : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    try {
        CInternetSession session(agent, 1, dwAccess, nullptr, nullptr, 0);
        DWORD dwService = 0;
        CString server, object;
        INTERNET_PORT nPort = 0;
        AfxParseURL(m_strUrl, dwService, server, object, nPort);
        if (m_dwReceiveTimeout) session.SetOption(INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, m_dwReceiveTimeout);
        if (!m_wDownloadId) m_wDownloadId = NewDownloadId();
        PostProgress(DLP_START, m_wDownloadId);
        try {
            m_bStop = 0;
            if (dwService == AFX_INET_SERVICE_HTTP || dwService == AFX_INET_SERVICE_HTTPS)
                result = GetHttpFile(session);
            else if (dwService == AFX_INET_SERVICE_FTP)
                result = GetFtpFile(session);
            else if (dwService == AFX_INET_SERVICE_FILE && ::UrlIsA(url, URLIS_FILEURL))
                result = GetLocalFile();
            else
                NoteFailure(DownloadOutcome::Refused);
        } catch (CInternetException* e) {
            result = Fail(e, DownloadOutcome::Failed);
        } catch (CException* e) {
            result = Fail(e, DownloadOutcome::Unwritable);
        }
        session.Close();
    } catch (CException* e) {
        result = Fail(e, DownloadOutcome::Failed);
    }
    m_wDownloadId = 0;

    if (result && GetPartialSize() == m_dwTotalSize) {
        if (MoveFileReplacing(m_strTempPath, m_strDestPath)) {
            m_outcome = DownloadOutcome::Complete;
        } else {
            line.Format("Quillfen: CDownloadFile::DownLoadFile,MoveFileEx %s->%s failed,error:%d",
                        static_cast<const char*>(m_strTempPath), static_cast<const char*>(m_strDestPath),
                        static_cast<int>(::GetLastError()));
            ::OutputDebugStringA(line);
            // The complete temporary file stays; the next call finds it complete and moves it.
            NoteFailure(DownloadOutcome::Failed);
        }
    }
    if (m_outcome != DownloadOutcome::Complete && m_bStop) m_outcome = DownloadOutcome::Stopped;
    // A transfer that ended early without an error after bytes arrived was cut: the next call resumes it.
    if (m_dwReceived > 0) NoteFailure(DownloadOutcome::Failed);
    return result;
}

void CDownloadFile::RunChunkLoop(const ChunkReader& read, CFile& temp, DWORD dwOffset, DWORD dwStartMs)
{
    char buffer[513];
    DWORD dwReceived = 0;
    ProgressThrottle throttle(dwStartMs);
    // The count includes what the write-behind buffer still holds: the file may be up to one buffer behind it
    // while the loop runs, and holds every byte counted once the loop has flushed.
    auto post = [&](DWORD dwNow) {
        m_fSpeedKBps = throttle.SpeedKBps(dwReceived, dwNow);
        PostCode(DLP_RECEIVED, dwOffset + dwReceived);
        PostCode(DLP_SPEED, static_cast<DWORD>(m_fSpeedKBps));
    };
    temp.SetWriteBufferSize(kWriteBehind);
    try {
        for (;;) {
            UINT n = read(buffer, 512);
            if (n == 0) break;
            buffer[n] = '\0';
            temp.Write(buffer, n);
            dwReceived += n;
            m_dwReceived += n;
            const DWORD dwNow = m_clock();
            if (throttle.Due(dwNow)) post(dwNow);
            if (m_bStop) break;
        }
    } catch (...) {
        // The bytes read before the failure are sound: reading the position flushes them to the file, which
        // stays a prefix of the source.
        try {
            temp.SetLength(temp.GetPosition());
        } catch (CException* e) {
            e->Delete();
        }
        post(m_clock());
        throw;
    }
    temp.Flush();
    post(m_clock());
    temp.SetLength(temp.GetPosition());
}

void CDownloadFile::CompleteUntoldLength(CFile& temp)
{
    if (m_bStop) return;
    m_dwTotalSize = temp.GetLength();
    PostCode(DLP_TOTAL, m_dwTotalSize);
}

int CDownloadFile::GetLocalFile()
{
    CFile temp;
    if (!temp.Open(m_strTempPath, kTempOpenFlags | CFile::shareDenyWrite)) {
        NoteFailure(DownloadOutcome::Unwritable);
        return 0;
    }
    CString path = m_strUrl;
    path.Trim();
    if (::StrCmpNIA(path, "file:/", 6) == 0) {
        path = path.Mid(8);
        path.Replace('/', '\\');
    }
    CFile source;
    if (!source.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        NoteFailure(DownloadOutcome::Refused);
        return 0;
    }

    const DWORD dwStart = m_clock();
    try {
        DWORD dwOffset = temp.GetLength();
        DWORD dwTotal = source.GetLength();
        // A temporary file longer than the source belongs to another file: start afresh.
        if (dwOffset > dwTotal) dwOffset = 0;
        if (dwOffset > 0) {
            PostCode(DLP_RESUMED, dwOffset);
            temp.SeekToEnd();
            source.Seek(dwOffset, CFile::begin);
        }
        m_dwTotalSize = dwTotal;
        NoteTransferStart(dwOffset);
        PostCode(DLP_TOTAL, m_dwTotalSize);
        RunChunkLoop([&source](void* p, UINT n) { return source.Read(p, n); }, temp, dwOffset, dwStart);
    } catch (CFileException* e) {
        return Fail(e, DownloadOutcome::Unwritable);
    }
    return 1;
}
