// InstallerDialog: the installer window; controller of one run, its worker, progress, tray icon and commands
// (the tray icon and the window commands are in InstallerDialogTray.cpp).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "CBitmap.h"
#include "CBitmapStateButton.h"
#include "CMenu.h"
#include "CString.h"
#include "CWinThread.h"
#include "IconHandle.h"
#include "InstallerWorker.h"
#include "RunDecision.h"
#include "SkinDialog.h"
#include "SkinLabel.h"

// Private messages of the installer window; WM_SETUP_FINISH comes with InstallerWorker.
const UINT WM_TRAY_NOTIFY = WM_USER + 100;
const UINT WM_DOWNLOAD_NOTIFY = WM_USER + 101;

class MessageDialog;

class InstallerDialog : public SkinDialog {
public:
    explicit InstallerDialog(CWnd* pParent = nullptr);
    ~InstallerDialog() override;

    // The worker thread's procedure: runs m_worker for this dialog; returns 0.
    static UINT WorkerThread(LPVOID pParam);

    // Called once the dialog has ended: returns when the worker is done, after telling it that the user
    // left; a worker stuck in a blocking call ends with the process instead.
    void FinishWorker();

    // The tray's pop-up: the first sub-menu of menu 132 with its first item as the bold default; owned by
    // menu, null when the resource is missing.
    static HMENU LoadTrayMenu(CMenu& menu);
    // Shows the tray's pop-up for hWnd at pt and returns once it has closed.
    static void TrackTrayMenu(HWND hWnd, HMENU hPopup, POINT pt);

    CString m_strDataDir;
    DWORD m_dwFileSize = 0;
    DWORD m_dwDownloaded = 0;
    DWORD m_dwSpeed = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnDownloadNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetupFinish(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);
    void OnTrayOpen();
    void OnTrayExit();
    void OnMinimizeButton();
    void OnCloseButton();
    void OnScaleChanged(const RECT& rcSuggested) override;

    BOOL AddTrayIcon(UINT uIconId, const char* pszTip);
    void RemoveTrayIcon();
    void DrawProgress();

private:
    // The registered message the shell sends when the taskbar is made again.
    static const UINT WM_TASKBAR_CREATED;
    void LayoutSkin();
    // Everything of the skin that depends on the window's scale: art, buttons, fonts, places and shape.
    void ScaleSkin();
    void SetWindowIcons();
    void ShowInFront();
    // Starts the verified installer through the shell; how that ended.
    LaunchResult LaunchInstaller();
    // The launch failure message; returns once the user has closed it.
    void TellLaunchFailed();

    // The run's work; its results (the setup path, whether to launch) are read when WM_SETUP_FINISH comes.
    InstallerWorker m_worker;
    HWND m_hWndNotify = nullptr;
    // The message the window waits on (the exit question, or the launch failure) while it is open.
    MessageDialog* m_pOpenMessage = nullptr;
    // Width of the filled bar as last drawn; -1 when it must be drawn again.
    int m_nDrawnWidth = -1;
    std::unique_ptr<CWinThread> m_workerThread;

    NOTIFYICONDATAW m_nid;
    // The application icon for the taskbar and the title at the window's scale, and for the tray at the system's.
    IconHandle m_iconBig;
    IconHandle m_iconSmall;
    IconHandle m_iconTray;

    CBitmap m_bmpProgress;
    CBitmap m_bmpPushButton;
    CBitmap m_bmpMinimize;
    CBitmap m_bmpClose;

    CBitmapStateButton m_btnInstall;
    CBitmapStateButton m_btnBackground;
    CBitmapStateButton m_btnClose;
    CBitmapStateButton m_btnMinimize;

    SkinLabel m_lblTitle;
    SkinLabel m_lblStatus;
    SkinLabel m_lblSizeCaption;
    SkinLabel m_lblSize;
    SkinLabel m_lblAmountCaption;
    SkinLabel m_lblAmount;
    SkinLabel m_lblSpeedCaption;
    SkinLabel m_lblSpeed;
    SkinLabel m_lblPromotion;
    SkinLabel m_lblNotice;

    DECLARE_MESSAGE_MAP()
};
