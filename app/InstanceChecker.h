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
    // Raises the running instance's window, found by the application title; closes the kept handle.
    void ActivatePreviousInstance();

private:
    CMutex m_mutex;
    HANDLE m_hMapping;
};
