// InstallerDialog: the installer window; controller of one run, its worker, progress, tray icon and commands.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "CBitmap.h"
#include "CBitmapStateButton.h"
#include "CMenu.h"
#include "CString.h"
#include "CWinThread.h"
#include "RefreshPacer.h"
#include "SkinDialog.h"
#include "SkinLabel.h"

// Private messages of the installer window.
const UINT WM_TRAY_NOTIFY = WM_USER + 100;
const UINT WM_DOWNLOAD_NOTIFY = WM_USER + 101;
const UINT WM_SETUP_FINISH = WM_USER + 102;

class InstallerDialog : public SkinDialog {
public:
    explicit InstallerDialog(CWnd* pParent = nullptr);
    ~InstallerDialog() override;

    // The worker: queries the service, decides what to reuse, records and downloads; returns 0.
    static UINT WorkerThread(LPVOID pParam);

    // Called once the dialog has ended: returns when the worker is done, after asking the engine to
    // stop; a worker stuck in a blocking call ends with the process instead.
    void FinishWorker();

    // The tray's pop-up: the first sub-menu of menu 132 with its first item as the bold default; owned by
    // menu, null when the resource is missing.
    static HMENU LoadTrayMenu(CMenu& menu);
    // Shows the tray's pop-up for hWnd at pt and returns once it has closed.
    static void TrackTrayMenu(HWND hWnd, HMENU hPopup, POINT pt);

    HICON m_hIcon;
    CString m_strDataDir;
    CString m_strFileUrl;
    CString m_strSetupPath;
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

    BOOL AddTrayIcon(UINT uIconId, const char* pszTip);
    void RemoveTrayIcon();
    void DrawProgress();

private:
    void LayoutSkin();
    void LayoutContent();
    void ShowInFront();
    void PostFinish();
    void RefreshAmounts();
    void RotatePromotion();

    // Worker results for the launch decision, written before WM_SETUP_FINISH is posted.
    CString m_strAnswerSign;
    CString m_strSetupSign;
    HWND m_hWndNotify = nullptr;
    // Width of the filled bar as last drawn; -1 when it must be drawn again.
    int m_nDrawnWidth = -1;
    // Timers 1010 and 1011, also run from progress messages when a fast download starves the timers:
    // a quarter period late for the amount, half a second for the promotional line.
    RefreshPacer m_amountPacer{1250};
    RefreshPacer m_promotionPacer{5500};
    std::unique_ptr<CWinThread> m_worker;

    NOTIFYICONDATAA m_nid;

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
