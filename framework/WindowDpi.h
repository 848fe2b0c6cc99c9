// The resolution a window is shown at, and system metrics at a resolution, on every Windows from 7 on.
#pragma once

#include <windows.h>

// The window's DPI: GetDpiForWindow where the system has it (Windows 10 1607 on); before that, the screen's
// LOGPIXELSX, which a program that is aware of the system's DPI is shown at.
int GetWindowDpi(HWND hWnd);

// GetSystemMetricsForDpi where the system has it; before that the metric at the system's DPI, scaled.
int GetSystemMetricForDpi(int nIndex, int nDpi);

// Windows 10 1703 on re-lays out a per-monitor aware dialog's items and fonts from its template when the
// resolution changes; a dialog that lays itself out at every scale turns that off (nothing to do before).
void KeepDialogLayoutOnDpiChange(HWND hDlg);
