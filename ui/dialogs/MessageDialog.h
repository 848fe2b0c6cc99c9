// MessageDialog: the skinned message box: bold title, a kind's icon, lines of text, OK or OK and CANCEL.
#pragma once

#include <vector>

#include "CBitmapStateButton.h"
#include "CFont.h"
#include "CString.h"
#include "IconHandle.h"
#include "MessageKind.h"
#include "SkinDialog.h"

class MessageDialog : public SkinDialog {
public:
    explicit MessageDialog(CWnd* pParent = nullptr);

    // Call once before DoModal; the window's size follows the text. DoModal gives IDOK for the OK button,
    // IDCANCEL for CANCEL, Esc, the skin close button or any other close request.
    void SetMessage(CString title, CString text, MessageKind kind);


protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    void OnCloseButton();
    void OnScaleChanged(const RECT& rcSuggested) override;
    DECLARE_MESSAGE_MAP()

private:
    // Skin, buttons, fonts and icon at the window's scale.
    void ApplyScale();
    void PaintContent(CDC& dc, int clientWidth);
    // The close button in the top-right corner.
    void PlaceCloseButton();
    // Cuts the frame's corners out of the window when its client size differs from the last cut.
    void CutCornersForSize();

    // The strips are declared before the buttons that draw from them, so the buttons go first.
    CBitmap m_bmpPushButton;
    CBitmap m_bmpCloseButton;
    CBitmapStateButton m_btnClose;
    CBitmapStateButton m_btnOK;
    CBitmapStateButton m_btnCancel;
    int m_nWindowWidth = 199;
    int m_nWindowHeight = 110;
    int m_nKind = 0;
    CString m_strTitle;
    std::vector<CString> m_lines;
    int m_nButtonWidth = 0;
    int m_nButtonHeight = 0;
    CFont m_fontNormal;
    CFont m_fontBold;
    // The kind's icon at the window's scale; none for a kind without one.
    IconHandle m_icon;
    SIZE m_cutSize = {-1, -1};
};
