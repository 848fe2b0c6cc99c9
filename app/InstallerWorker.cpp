// InstallerWorker: the worker's steps and decisions, its retries, its failure messages and its finish message.
#include "InstallerWorker.h"

#include <shlwapi.h>

#include "DownloadRetry.h"
#include "FileRetry.h"
#include "FileSignature.h"
#include "GetHttpString.h"
#include "InstallRecord.h"
#include "InstallerGlobals.h"
#include "InstallerTexts.h"
#include "InstallerTrusted.h"
#include "MessageDialog.h"
#include "RunDecision.h"
#include "XmlDocument.h"

namespace {

const char kServiceUrl[] = CORVANE_SETUP_ORIGIN "/ClientSrv/Getqzvrsetup.aspx";
const char kQueryFailed[] = "获取安装信息失败，请稍后再试！";
const char kDownloadFailed[] = "下载安装文件失败，请稍后再试！";
// A server silent this long in the middle of a transfer fails the attempt; the next one resumes.
const DWORD kReceiveTimeoutMs = 30000;
// Between two tries of a finish message refused for a full queue.
const DWORD kPostRetryMs = 20;

}  // namespace

// Posts the finish from its destructor, so that no way out of the run, an exception's included, misses it.
class InstallerWorker::FinishOnExit {
public:
    FinishOnExit(InstallerWorker& worker, HWND hWnd) : m_worker(worker), m_hWnd(hWnd) {}
    FinishOnExit(const FinishOnExit&) = delete;
    FinishOnExit& operator=(const FinishOnExit&) = delete;
    ~FinishOnExit() { m_worker.Finish(m_hWnd); }

private:
    InstallerWorker& m_worker;
    HWND m_hWnd;
};

InstallerWorker::InstallerWorker(CDownloadFile& engine)
    : m_engine(engine), m_hLeave(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

void InstallerWorker::Run(const CString& strDataDir, HWND hWnd)
{
    FinishOnExit finish(*this, hWnd);
    try {
        Work(strDataDir);
    } catch (CException* e) {
        e->Delete();
        EndOnException();
    } catch (...) {
        EndOnException();
    }
}

void InstallerWorker::EndOnException()
{
    ::OutputDebugStringA("Quillfen: the installer worker ended on an exception\n");
    m_bLaunch = false;
    Fail(m_strSetupPath.IsEmpty() ? kQueryFailed : kDownloadFailed);
}

void InstallerWorker::Work(const CString& strDataDir)
{
    RunFacts facts;
    Ask(facts, strDataDir);
    if (facts.bAnswered) LearnSetupFile(facts, true);
    RunDecision decision = DecideRun(facts);
    if (decision.step == RunStep::Download) {
        Download(facts, decision, strDataDir);
        // A whole file that is not the answer's, even from byte 0: the service may have moved on to another
        // build while this one downloaded (an operator who replaces the file in place). Asked once more, its
        // answer is followed once.
        if (facts.bTransferComplete && !SetupIsTheAnswers(facts) && !Left() &&
            AskedForAnotherBuild(facts, strDataDir)) {
            decision = DecideRun(facts);
            if (decision.step == RunStep::Download) Download(facts, decision, strDataDir);
        }
        decision = DecideRun(facts);
    }
    m_bLaunch = decision.step == RunStep::Launch;
    switch (decision.failure) {
    case RunFailure::NoSetupInformation:
        ::OutputDebugStringA("Quillfen: no setup information\n");
        Fail(kQueryFailed);
        break;
    case RunFailure::NotVerified:
        ::OutputDebugStringA("Quillfen: no verified installer after the download\n");
        Fail(kDownloadFailed);
        break;
    case RunFailure::NotTrusted:
        ::OutputDebugStringA("Quillfen: the installer's code signature is not the expected one\n");
        Fail(kDownloadFailed);
        break;
    case RunFailure::None:
        break;
    }
}

void InstallerWorker::Ask(RunFacts& facts, const CString& strDataDir)
{
    XmlDocument doc;
    doc.SetDocument(nullptr);
    doc.SetFlags(0);
    CString strUrl, strFileUrl;
    strUrl.Format("%s?vertype=%d", kServiceUrl, g_nVerType);
    const CString strAnswer = FetchAnswer(strUrl);
    if (doc.SetDocument(strAnswer) && doc.FindElement("qzvrsetup")) {
        facts.strAnswerSign = doc.GetAttribute("filesign");
        strFileUrl = doc.GetAttribute("fileurl");
    }
    // Without a data folder the narrow calls can name, nothing can be kept: the setup information is of no use.
    facts.bAnswered = !strFileUrl.IsEmpty() && !strDataDir.IsEmpty();
    facts.strStoredSign = g_strFileSign;
    if (!facts.bAnswered) return;
    m_strFileUrl = strFileUrl;
    m_strSetupPath.Format("%s\\qzvr_setup_%d.exe", static_cast<const char*>(strDataDir), g_nVerType);
}

bool InstallerWorker::AskedForAnotherBuild(RunFacts& facts, const CString& strDataDir)
{
    ::OutputDebugStringA("Quillfen: the download does not match the answer's signature; asking the service "
                         "again\n");
    RunFacts again;
    Ask(again, strDataDir);
    if (!again.bAnswered || SameSignature(again.strAnswerSign, facts.strAnswerSign)) return false;
    ::OutputDebugStringA("Quillfen: the service names another build now; following its answer\n");
    // The file just downloaded may be that build already.
    LearnSetupFile(again, false);
    facts = again;
    return true;
}

void InstallerWorker::Download(RunFacts& facts, const RunDecision& decision, const CString& strDataDir)
{
    if (decision.bStartOver) {
        g_strFileSign = facts.strAnswerSign;
        DeleteFileRetrying(m_strSetupPath);
        DeleteFileRetrying(m_strSetupPath + CDownloadFile::kPartialSuffix);
    }
    if (decision.bWriteRecord) WriteRecord(strDataDir);
    const bool bMayBeSpliced = DownloadWithRetries();
    facts.bDownloaded = true;
    facts.bTransferComplete = m_engine.m_outcome == DownloadOutcome::Complete;
    LearnSetupFile(facts, false);
    if (bMayBeSpliced && facts.bTransferComplete && !SetupIsTheAnswers(facts) && !Left())
        DownloadAgainFromStart(facts);
}

void InstallerWorker::LearnSetupFile(RunFacts& facts, bool bFirstLook)
{
    facts.bSetupPresent = ::PathFileExistsA(m_strSetupPath) != FALSE;
    facts.strSetupSign.Empty();
    facts.bSetupTrusted = false;
    if (!facts.bSetupPresent) return;
    if (bFirstLook) ::OutputDebugStringA("1");
    facts.strSetupSign = FileSignature(m_strSetupPath);
    if (!SetupIsTheAnswers(facts)) return;
    if (bFirstLook) ::OutputDebugStringA("2");
    // Asked here rather than in the window: reading a large file for its code signature takes a while.
    facts.bSetupTrusted = InstallerTrusted(m_strSetupPath);
}

bool InstallerWorker::DownloadWithRetries()
{
    m_engine.m_dwReceiveTimeout = kReceiveTimeoutMs;
    bool bEarlierBytes = false;
    bool bTransferred = false;
    for (int attempt = 1; !Left(); ++attempt) {
        m_engine.DownLoadFile(m_strFileUrl, m_strSetupPath);
        if (m_engine.m_transferStart == TransferStart::FromStart)
            bEarlierBytes = false;
        else if (m_engine.m_transferStart == TransferStart::Resumed && !bTransferred)
            bEarlierBytes = true;
        bTransferred = bTransferred || m_engine.m_transferStart != TransferStart::None;
        const DWORD dwWait = DownloadRetry::WaitBefore(attempt + 1, m_engine.m_outcome);
        if (dwWait == 0) break;
        CString line;
        line.Format("Quillfen: download attempt %d failed; attempt %d in %lu ms\n", attempt, attempt + 1,
                    static_cast<unsigned long>(dwWait));
        ::OutputDebugStringA(line);
        if (::WaitForSingleObject(m_hLeave.Get(), dwWait) != WAIT_TIMEOUT) break;
    }
    return bEarlierBytes;
}

void InstallerWorker::DownloadAgainFromStart(RunFacts& facts)
{
    // The partial file held bytes of another build under the same name (the server's file replaced, a copy
    // of another version served, a tail lost): the whole file from this run's server may still match.
    ::OutputDebugStringA("Quillfen: the download resumed an earlier partial file and does not match the answer's "
                         "signature; downloading it once more from byte 0\n");
    DeleteFileRetrying(m_strSetupPath);
    DeleteFileRetrying(m_strSetupPath + CDownloadFile::kPartialSuffix);
    DownloadWithRetries();
    facts.bTransferComplete = m_engine.m_outcome == DownloadOutcome::Complete;
    LearnSetupFile(facts, false);
}

void InstallerWorker::Leave()
{
    ::SetEvent(m_hLeave.Get());
    m_engine.Cancel();
}

bool InstallerWorker::Left() const
{
    return ::WaitForSingleObject(m_hLeave.Get(), 0) == WAIT_OBJECT_0;
}

void InstallerWorker::Fail(const char* pszText)
{
    if (Left()) return;
    try {
        ShowFailure(pszText);
    } catch (...) {
        ::OutputDebugStringA("Quillfen: the failure message could not be shown\n");
    }
}

void InstallerWorker::Finish(HWND hWnd)
{
    // A thread's posted-message queue holds at most 10,000 messages on Windows; a post into a full queue
    // fails with ERROR_NOT_ENOUGH_QUOTA and would be lost. The window keeps draining its queue, so the post
    // is tried again for as long as the window exists.
    while (!PostFinish(hWnd)) {
        if (::GetLastError() != ERROR_NOT_ENOUGH_QUOTA || !::IsWindow(hWnd)) {
            ::OutputDebugStringA("Quillfen: the finish message could not be posted\n");
            return;
        }
        ::Sleep(kPostRetryMs);
    }
}

CString InstallerWorker::FetchAnswer(const CString& strUrl)
{
    return GetHttpString(strUrl);
}

void InstallerWorker::WriteRecord(const CString& strDataDir)
{
    WriteInstallRecord(strDataDir);
}

void InstallerWorker::ShowFailure(const char* pszText)
{
    // Run in this thread with no owner: the platform's modal handling chooses it.
    MessageDialog message(nullptr);
    message.SetMessage(kWindowTitle, pszText, Information);
    message.DoModal();
}

BOOL InstallerWorker::PostFinish(HWND hWnd)
{
    return ::PostMessageA(hWnd, WM_SETUP_FINISH, 0, 0);
}
