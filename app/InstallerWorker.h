// InstallerWorker: one run's work away from the window: the service query, the reuse decision, the record, the
// download with its retries, the failure message, and a finish message that always reaches the window.
#pragma once

#include <windows.h>

#include "CDownloadFile.h"
#include "CString.h"
#include "KernelHandle.h"
#include "RunDecision.h"

// Posted to the installer window when the run is over; wParam and lParam are 0.
const UINT WM_SETUP_FINISH = WM_USER + 102;

class InstallerWorker {
public:
    explicit InstallerWorker(CDownloadFile& engine);
    InstallerWorker(const InstallerWorker&) = delete;
    InstallerWorker& operator=(const InstallerWorker&) = delete;
    virtual ~InstallerWorker() = default;

    // The whole run on the calling thread, with strDataDir as the data folder. However it ends (exceptions
    // included, which it never lets out), WM_SETUP_FINISH is then posted to hWnd.
    void Run(const CString& strDataDir, HWND hWnd);
    // The user leaves: a transfer stops after its current chunk, a wait for the next attempt ends at once and
    // no failure message is shown any more. Callable from any thread.
    void Leave();

    // Read by the window once WM_SETUP_FINISH has arrived.
    CString m_strFileUrl;
    CString m_strSetupPath;
    // The file at m_strSetupPath is the installer the service named: start it.
    bool m_bLaunch = false;

protected:
    // The steps that leave the process, replaced in tests to make each of them fail.
    virtual CString FetchAnswer(const CString& strUrl);
    virtual void WriteRecord(const CString& strDataDir);
    virtual void ShowFailure(const char* pszText);
    virtual BOOL PostFinish(HWND hWnd);

private:
    class FinishOnExit;

    void Work(const CString& strDataDir);
    // Asks the service; with a usable answer, sets the file URL and the setup path.
    void Ask(RunFacts& facts, const CString& strDataDir);
    // Asks once more after a whole download that is not the answer's; true, with facts those of the new
    // answer, when the service names another build now.
    bool AskedForAnotherBuild(RunFacts& facts, const CString& strDataDir);
    // What the decision says before a download (start over, record), the download, and the one restart from
    // byte 0 of a resumed file that does not match.
    void Download(RunFacts& facts, const RunDecision& decision, const CString& strDataDir);
    // Nothing is launched, and the user is told which half of the run failed.
    void EndOnException();
    // What stands at the setup path: whether a file does, its MD5 signature, and when that names it the
    // answer's installer, whether its code signature passes. The run's first look tells of what it found with
    // the marks "1" (a file) and "2" (the answer's).
    void LearnSetupFile(RunFacts& facts, bool bFirstLook);
    // DownLoadFile, once more after a failure that asking again may mend, as DownloadRetry says. True when
    // what it leaves may hold bytes of another build: its first transfer continued a partial file of an
    // earlier run, and none started again from byte 0 since.
    bool DownloadWithRetries();
    // One download from byte 0 in place of a resumed one whose file does not match the answer's signature.
    void DownloadAgainFromStart(RunFacts& facts);
    // The failure message, unless the user has left.
    void Fail(const char* pszText);
    bool Left() const;
    void Finish(HWND hWnd);

    CDownloadFile& m_engine;
    KernelHandle m_hLeave;
};
