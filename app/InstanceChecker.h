// InstanceChecker: one installer per logon, marked by a named paging-file mapping that lives with its process.
#pragma once

#include <windows.h>

#include "CMutex.h"
#include "CObject.h"
#include "KernelHandle.h"

// The process-wide holder of the first instance's mapping; it is closed when the process ends.
extern KernelHandle g_instanceMapping;

class InstanceChecker : public CObject {
public:
    InstanceChecker();
    ~InstanceChecker() override = default;

    // TRUE when another instance's mapping exists (its handle is kept); FALSE when this process made it.
    BOOL PreviousInstanceRunning();
    // Shows, restores and brings to the front the window the running instance published; closes the kept
    // handle.
    void ActivatePreviousInstance();
    // Leaves the installer window's handle in this process's mapping for a later start to find.
    static void PublishWindow(HWND hWnd);

private:
    CMutex m_mutex;
    KernelHandle m_hMapping;
};
