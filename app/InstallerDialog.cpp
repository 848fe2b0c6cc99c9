// InstallerDialog: start-up sequence, the worker thread, progress and finish messages, paint and timers.
#include "InstallerDialog.h"

#include <shlwapi.h>

#include "AnsiPath.h"
#include "CClientDC.h"
#include "CPaintDC.h"
#include "CSelectObject.h"
#include "InstallRecord.h"
#include "InstallerGlobals.h"
#include "InstallerTexts.h"
#include "InstanceChecker.h"
#include "MessageDialog.h"
#include "ProgressDisplay.h"
#include "SkinArt.h"
#include "WindowDpi.h"
#include "WindowRegion.h"
#include "resource.h"

namespace {

const char kNotice[] = "正在下载Corvane安装文件，请稍候...";
const char kLaunchFailed[] = "启动安装程序失败，请稍后再试！";

const UINT_PTR kTimerProgress = 1010;
const UINT_PTR kTimerPromotion = 1011;
const UINT kProgressPeriodMs = 1000;
const UINT kPromotionPeriodMs = 5000;
const COLORREF kNoticeColour = RGB(4, 84, 181);

// Progress strip: the empty track and the filled bar, one above the other in bitmap 137. Places and sizes
// here are at 96 DPI; the window scales them to its own resolution.
const int kStripX = 25;
const int kStripY = 178;
const int kCloseWidth = 38;
const int kMinimizeWidth = 24;
const int kCaptionButtonHeight = 25;
const int kNoticeFontSize = 12;

// How long an ended window waits for a worker asked to stop before the process ends without it.
const DWORD kWorkerGraceMs = 1500;

// The promotional rotation counter; it is never reset.
uint32_t g_nPromotionTick = 0;

struct LabelPlace {
    SkinLabel InstallerDialog::*label;
    int x, y, cx, cy;
};

}  // namespace

BEGIN_MESSAGE_MAP(InstallerDialog, SkinDialog)
    ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
    ON_COMMAND(ID_TRAY_OPEN, OnTrayOpen)
    ON_MESSAGE(WM_SYSCOMMAND, OnSysCommand)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_NCHITTEST, OnNcHitTestDragAnywhere)
    ON_COMMAND(IDC_MINIMIZE, OnMinimizeButton)
    ON_COMMAND(IDC_CLOSE, OnCloseButton)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColorTransparentStatic)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_SHOWWINDOW, OnShowWindow)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_REGISTERED_MESSAGE(WM_TASKBAR_CREATED, OnTaskbarCreated)
    ON_MESSAGE(WM_DOWNLOAD_NOTIFY, OnDownloadNotify)
    ON_MESSAGE(WM_SETUP_FINISH, OnSetupFinish)
END_MESSAGE_MAP()

InstallerDialog::InstallerDialog(CWnd* pParent)
    : SkinDialog(IDD_INSTALLER, pParent), m_worker(g_DownloadFile), m_nid()
{
    // Empty when the folder has no name the narrow calls can open; the worker then reports the failure.
    const CString appData = AnsiAppDataFolder();
    if (!appData.IsEmpty()) m_strDataDir.Format("%s\\ravlet", static_cast<const char*>(appData));
}

InstallerDialog::~InstallerDialog() = default;

void InstallerDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_INSTALL, m_btnInstall);
    DDX_Control(pDX, IDC_BACKGROUND, m_btnBackground);
    DDX_Control(pDX, IDC_CLOSE, m_btnClose);
    DDX_Control(pDX, IDC_MINIMIZE, m_btnMinimize);
    DDX_Control(pDX, IDC_TITLE, m_lblTitle);
    DDX_Control(pDX, IDC_STATUS, m_lblStatus);
    DDX_Control(pDX, IDC_SIZE_CAPTION, m_lblSizeCaption);
    DDX_Control(pDX, IDC_SIZE_VALUE, m_lblSize);
    DDX_Control(pDX, IDC_AMOUNT_CAPTION, m_lblAmountCaption);
    DDX_Control(pDX, IDC_AMOUNT, m_lblAmount);
    DDX_Control(pDX, IDC_SPEED_CAPTION, m_lblSpeedCaption);
    DDX_Control(pDX, IDC_SPEED, m_lblSpeed);
    DDX_Control(pDX, IDC_PROMOTION, m_lblPromotion);
    DDX_Control(pDX, IDC_NOTICE, m_lblNotice);
}

BOOL InstallerDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    TakeWindowScale();
    SetWindowIcons();
    ModifyStyle(0, WS_SYSMENU);
    SetWindowText(kWindowTitle);
    AddTrayIcon(IDI_APP, kWindowTitle);

    if (!::PathFileExistsA(m_strDataDir)) ::CreateDirectoryA(m_strDataDir, nullptr);
    g_nVerType = 0;
    ReadInstallRecord(m_strDataDir);
    g_DownloadFile.SetNotify(0, m_hWnd, WM_DOWNLOAD_NOTIFY);

    LayoutSkin();

    InstanceChecker::PublishWindow(m_hWnd);

    // The worker reaches the window by this handle only; it is fixed before the worker starts.
    m_hWndNotify = m_hWnd;
    // Kept, started suspended, so that the end of the run can wait for it (see FinishWorker).
    CWinThread* pThread = AfxBeginThread(&InstallerDialog::WorkerThread, this, THREAD_PRIORITY_NORMAL, 0,
                                         CREATE_SUSPENDED, nullptr);
    if (pThread) {
        pThread->m_bAutoDelete = FALSE;
        m_workerThread.reset(pThread);
        pThread->ResumeThread();
    }

    SetTimer(kTimerProgress, kProgressPeriodMs);
    SetTimer(kTimerPromotion, kPromotionPeriodMs);
    return TRUE;
}

void InstallerDialog::SetWindowIcons()
{
    // The icon's own image for each size the title and the taskbar use at this scale.
    const int dpi = Scale().Dpi();
    m_iconBig.Reset(
        LoadProgramIcon(IDI_APP, GetSystemMetricForDpi(SM_CXICON, dpi), GetSystemMetricForDpi(SM_CYICON, dpi)));
    m_iconSmall.Reset(
        LoadProgramIcon(IDI_APP, GetSystemMetricForDpi(SM_CXSMICON, dpi), GetSystemMetricForDpi(SM_CYSMICON, dpi)));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_iconBig.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_iconSmall.Get()));
}

void InstallerDialog::LayoutSkin()
{
    LayoutFixedBackground(IDB_MAIN_BACKGROUND);
    // Screen readers name the caption buttons by their window texts; their images draw the glyphs.
    m_btnClose.SetCaptionDrawn(FALSE);
    m_btnMinimize.SetCaptionDrawn(FALSE);
    m_lblTitle.SetFontBold(TRUE);
    m_lblNotice.SetFontSize(kNoticeFontSize).SetFontBold(TRUE).SetTextColor(kNoticeColour);
    ScaleSkin();
    m_lblSize.SetText("");
    m_lblAmount.SetText("");
    m_lblSpeed.SetText("");
    m_lblNotice.SetText(kNotice);
}

void InstallerDialog::ScaleSkin()
{
    const DpiScale& scale = Scale();
    // One push-button strip serves both hidden push buttons.
    LoadButtonBitmap(m_bmpPushButton, IDB_PUSH_BUTTON, 4);
    LoadButtonBitmap(m_bmpMinimize, IDB_MAIN_MINIMIZE, 4);
    LoadButtonBitmap(m_bmpClose, IDB_MAIN_CLOSE, 4);
    for (CBitmapStateButton* button : {&m_btnInstall, &m_btnBackground, &m_btnMinimize, &m_btnClose})
        button->SetScale(scale);
    m_btnInstall.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    m_btnBackground.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    m_btnMinimize.SetStateBitmap(m_bmpMinimize, 4, 1, TRUE);
    m_btnClose.SetStateBitmap(m_bmpClose, 4, 1, TRUE);
    RECT client = {};
    GetClientRect(&client);
    // Right to left from the window's edge, so that the two buttons meet at any scale.
    const int closeWidth = scale.Px(kCloseWidth), minimizeWidth = scale.Px(kMinimizeWidth);
    const int buttonHeight = scale.Px(kCaptionButtonHeight);
    m_btnClose.MoveWindow(client.right - closeWidth, 0, closeWidth, buttonHeight, TRUE);
    m_btnMinimize.MoveWindow(client.right - closeWidth - minimizeWidth, 0, minimizeWidth, buttonHeight, TRUE);

    m_bmpProgress.DeleteObject();
    LoadSkinArt(m_bmpProgress, IDB_PROGRESS, 2, scale);
    static const LabelPlace kPlaces[] = {
        {&InstallerDialog::m_lblTitle, 30, 8, 235, 24},
        {&InstallerDialog::m_lblStatus, 289, 44, 145, 20},
        {&InstallerDialog::m_lblSizeCaption, 289, 64, 60, 20},
        {&InstallerDialog::m_lblSize, 349, 64, 100, 20},
        {&InstallerDialog::m_lblAmountCaption, 289, 94, 45, 20},
        {&InstallerDialog::m_lblAmount, 334, 94, 100, 20},
        {&InstallerDialog::m_lblSpeedCaption, 289, 114, 60, 20},
        {&InstallerDialog::m_lblSpeed, 349, 114, 100, 20},
        {&InstallerDialog::m_lblPromotion, 33, 157, 300, 20},
        {&InstallerDialog::m_lblNotice, 25, 230, 295, 15},
    };
    for (const LabelPlace& place : kPlaces) {
        const ScaledRect rc(scale, place.x, place.y, place.cx, place.cy);
        (this->*place.label).SetScale(scale).MoveWindow(rc.x, rc.y, rc.cx, rc.cy, TRUE);
    }
    ApplyCornerRegion(this, &m_bmpSkin, scale);
}

void InstallerDialog::OnScaleChanged(const RECT& rcSuggested)
{
    LoadSkin(IDB_MAIN_BACKGROUND);
    BITMAP bm = {};
    m_bmpSkin.GetBitmap(&bm);
    // The suggested place keeps the window where the user left it; its size is the art's at the new scale.
    MoveWindow(rcSuggested.left, rcSuggested.top, bm.bmWidth, bm.bmHeight, TRUE);
    SetWindowIcons();
    ScaleSkin();
    m_nDrawnWidth = -1;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

UINT InstallerDialog::WorkerThread(LPVOID pParam)
{
    InstallerDialog* pDlg = static_cast<InstallerDialog*>(pParam);
    pDlg->m_worker.Run(pDlg->m_strDataDir, pDlg->m_hWndNotify);
    return 0;
}

void InstallerDialog::FinishWorker()
{
    if (!m_workerThread || ::WaitForSingleObject(m_workerThread->m_hThread.Get(), 0) != WAIT_TIMEOUT) return;
    // A transfer stops after its current chunk and leaves its partial file for the next run.
    m_worker.Leave();
    if (::WaitForSingleObject(m_workerThread->m_hThread.Get(), kWorkerGraceMs) == WAIT_TIMEOUT) {
        // Stuck in a network or disk call: the objects it uses must outlive it, so end the process
        // here, before anything is torn down. Written bytes are already in the file.
        ::OutputDebugStringA("worker still busy at exit; ending the process\n");
        ::TerminateProcess(::GetCurrentProcess(), 0);
    }
}

LRESULT InstallerDialog::OnDownloadNotify(WPARAM wParam, LPARAM lParam)
{
    const DWORD value = static_cast<DWORD>(lParam);
    switch (LOWORD(wParam)) {
    case DLP_TOTAL:
        m_dwFileSize = value;
        m_lblSize.SetText(ProgressDisplay::Megabytes(value));
        break;
    case DLP_RESUMED:
    case DLP_RECEIVED:
        m_dwDownloaded = value;
        break;
    case DLP_SPEED:
        m_dwSpeed = value;
        break;
    default:
        break;
    }
    DrawProgress();
    return 0;
}

LRESULT InstallerDialog::OnSetupFinish(WPARAM, LPARAM)
{
    ::OutputDebugStringA("3");
    const bool bFailed = m_worker.m_bLaunch && LaunchInstaller() == LaunchResult::Failed;
    // An open exit question and an open tray menu each run their own loop on this thread: both are ended
    // with the window, or they would stay on screen and keep the program alive until answered.
    if (m_pOpenMessage) m_pOpenMessage->EndDialog(IDCANCEL);
    ::EndMenu();
    // The file and the record stay: the next run reuses the file if it is still there.
    if (bFailed) TellLaunchFailed();
    CDialog::OnCancel();
    return 0;
}

LaunchResult InstallerDialog::LaunchInstaller()
{
    // A security program may have taken the new file away since the worker verified it.
    const bool bPresent = ::PathFileExistsA(m_worker.m_strSetupPath) != FALSE;
    bool bStarted = false;
    DWORD dwError = ERROR_SUCCESS;
    if (bPresent) {
        // The extended call says why a start failed; without UI, so that the shell shows no error box of its
        // own beside the program's message. The process ends right after: the start completes before returning.
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        info.lpVerb = "open";
        info.lpFile = m_worker.m_strSetupPath;
        info.nShow = SW_RESTORE;
        bStarted = ::ShellExecuteExA(&info) != FALSE;
        if (!bStarted) dwError = ::GetLastError();
    }
    const LaunchResult result = JudgeLaunch(bPresent, bStarted, dwError);
    if (result != LaunchResult::Started) {
        CString line;
        line.Format("Quillfen: the installer was not started (%s, error %lu)\n",
                    bPresent ? "the shell refused it" : "the file is gone", static_cast<unsigned long>(dwError));
        ::OutputDebugStringA(line);
    }
    return result;
}

void InstallerDialog::TellLaunchFailed()
{
    MessageDialog message(nullptr);
    message.SetMessage(kWindowTitle, kLaunchFailed, Information);
    m_pOpenMessage = &message;
    message.DoModal();
    m_pOpenMessage = nullptr;
}

LRESULT InstallerDialog::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    PaintFixedBackground(dc);
    // The background just covered the bar: it must be drawn again whatever its width.
    m_nDrawnWidth = -1;
    BITMAP bm = {};
    if (m_bmpProgress.GetBitmap(&bm)) {
        CDC memory;
        memory.CreateCompatibleDC(&dc);
        CSelectObject progress(&memory, &m_bmpProgress);
        dc.TransparentBlt(Scale().Px(kStripX), Scale().Px(kStripY), bm.bmWidth, bm.bmHeight / 2, &memory, 0, 0,
                          bm.bmWidth, bm.bmHeight / 2, kSkinKeyColor);
    }
    DrawProgress();
    return 0;
}

void InstallerDialog::DrawProgress()
{
    BITMAP bm = {};
    if (!m_hWnd || !m_bmpProgress.GetBitmap(&bm)) return;
    const int band = bm.bmHeight / 2;
    const int width = static_cast<int>(ProgressDisplay::FilledWidth(m_dwDownloaded, m_dwFileSize, bm.bmWidth));
    // The same bar drawn again would change no pixel.
    if (width == m_nDrawnWidth) return;
    CClientDC dc(this);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CSelectObject progress(&memory, &m_bmpProgress);
    dc.TransparentBlt(Scale().Px(kStripX), Scale().Px(kStripY), width, band, &memory, 0, band, width, band,
                      kSkinKeyColor);
    m_nDrawnWidth = width;
}

LRESULT InstallerDialog::OnTimer(WPARAM wParam, LPARAM)
{
    if (wParam == kTimerProgress) {
        m_lblAmount.SetText(ProgressDisplay::Megabytes(m_dwDownloaded));
        m_lblSpeed.SetText(ProgressDisplay::Speed(m_dwSpeed));
        DrawProgress();
    } else if (wParam == kTimerPromotion) {
        m_lblPromotion.SetText(ProgressDisplay::PromotionLine(g_nPromotionTick));
        ++g_nPromotionTick;
    }
    return Default();
}

LRESULT InstallerDialog::OnShowWindow(WPARAM wParam, LPARAM)
{
    LRESULT result = Default();
    if (!wParam) return result;
    // The transparent fixed texts draw over whatever lies under them: repaint the background there first.
    static const int kFixedTexts[] = {IDC_PROMOTION, IDC_TITLE, IDC_AMOUNT_CAPTION,
                                      IDC_SPEED_CAPTION, IDC_NOTICE, IDC_SIZE_CAPTION};
    InvalidateUnderItems(kFixedTexts, sizeof kFixedTexts / sizeof kFixedTexts[0]);
    return result;
}
