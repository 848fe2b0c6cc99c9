// CDownloadFile: one URL (http, ftp or file) into one local file through a resumable ".df!" temporary file.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "CFile.h"
#include "CString.h"
#include "DownloadOutcome.h"
#include "DownloadProgress.h"

class CInternetSession;

class CDownloadFile {
public:
    CDownloadFile() = default;
    CDownloadFile(const CDownloadFile&) = delete;
    CDownloadFile& operator=(const CDownloadFile&) = delete;
    virtual ~CDownloadFile() = default;

    // Appended to the destination's path for the temporary file that holds a download until it is whole.
    static constexpr const char* kPartialSuffix = ".df!";

    // Downloads url into destPath + ".df!", continuing what an earlier call left there, and moves the temporary
    // file onto destPath once it holds exactly the expected size. Non-zero when the transport ran to its end
    // (a stopped or short transfer too); 0 on failure. Blocks the calling thread.
    int DownLoadFile(CString url, CString destPath);
    // Progress goes to hWnd by PostMessage and to dwThreadId by PostThreadMessage, as message uMsg.
    void SetNotify(DWORD dwThreadId, HWND hWnd, UINT uMsg);
    // Asks a running download to stop after its current chunk; callable from any thread.
    void Cancel() { m_bStop = 1; }

    void PostProgress(WPARAM wParam, LPARAM lParam);
    WORD NewDownloadId();
    // The size of the temporary file; 0 when there is none.
    DWORD GetPartialSize();

    int GetLocalFile();
    int GetHttpFile(CInternetSession& session);
    // Probes url once without following redirects; on a 301, 302 or 303 rewrites url to the target, returns 1.
    int OpenRedirectHttpURL(CString& url, CInternetSession& session);
    // The Content-Length the server gives for url (redirects followed), also stored in m_dwTotalSize; 0 if none.
    DWORD QueryContentLength(CString url);
    int GetFtpFile(CInternetSession& session);

    BYTE m_bReloadPassive = 1;
    DWORD m_dwReceiveTimeout = 0;
    WORD m_wDownloadId = 0;
    CString m_strDestPath;
    std::atomic<int> m_bStop{0};
    DWORD m_dwTotalSize = 0;
    DWORD m_dwNotifyThreadId = 0;
    UINT m_uNotifyMsg = 0;
    HWND m_hNotifyWnd = nullptr;
    CString m_strTempPath;
    CString m_strUrl;
    CString m_strRawHeaders;
    float m_fSpeedKBps = 0;
    DWORD m_dwStatusCode = 0;
    // How the last DownLoadFile call ended, and the bytes it received.
    DownloadOutcome m_outcome = DownloadOutcome::Unfinished;
    DWORD m_dwReceived = 0;
    TransferStart m_transferStart = TransferStart::None;
    // The millisecond clock of the progress posts and the speed; read once per chunk. Tests replace it.
    std::function<DWORD()> m_clock = ::GetTickCount;

    // The chunk loop reads 512 bytes at a time, and each library or system call costs far more than copying
    // them. An HTTP transfer's read-ahead asks WinInet for up to this much per call: under Wine, whole fills of
    // 128 KiB took a fifth less time than of 64 KiB on a fast link, and larger ones gained little more.
    static constexpr UINT kReadAhead = 128 * 1024;
    // The temporary file's write-behind buffer: one system call per this many bytes instead of one per chunk
    // (larger ones measured no faster).
    static constexpr UINT kWriteBehind = 64 * 1024;

private:
    // The temporary file is opened to continue what it holds, and made when missing; each transport adds
    // its sharing mode.
    static constexpr UINT kTempOpenFlags =
        CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite | CFile::typeBinary;
    typedef std::function<UINT(void*, UINT)> ChunkReader;
    // Reads at most 512 bytes at a time from read and writes them to temp at its position until a read gives
    // 0 bytes or a stop is asked. DLP_RECEIVED (dwOffset + bytes of this call) and DLP_SPEED are posted as
    // ProgressThrottle allows, and once more with the final values however the loop ends. Writes go through
    // temp's write-behind buffer, flushed however the loop ends (the end of the data, a stop, a throw) before
    // those final values. The file is then cut after the last byte written, so that a transfer written from
    // offset 0 over a longer old file leaves none of the old tail (also when a read throws). dwStartMs: m_clock
    // when the transfer began.
    void RunChunkLoop(const ChunkReader& read, CFile& temp, DWORD dwOffset, DWORD dwStartMs);
    // For a transfer whose length nobody told: a body that ended without an error is the whole file, so its
    // length is the total; it is posted as DLP_TOTAL. Not after a stop.
    void CompleteUntoldLength(CFile& temp);
    // Notes why a call failed, unless an earlier cause is already noted.
    void NoteFailure(DownloadOutcome outcome);
    // Deletes e, notes the outcome as NoteFailure does and gives 0, the failed call's result.
    int Fail(CException* e, DownloadOutcome outcome);
    void NoteTransferStart(DWORD dwOffset)
    {
        m_transferStart = dwOffset > 0 ? TransferStart::Resumed : TransferStart::FromStart;
    }
    void PostCode(unsigned code, DWORD dwValue) { PostProgress((static_cast<WPARAM>(m_wDownloadId) << 16) | code, dwValue); }
};
