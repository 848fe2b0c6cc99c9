// InstallRecord: the record file that names the installer version of the data folder's files.
#pragma once

#include "CString.h"

// The record file "qzvrsetup.xml" in the data folder.
CString InstallRecordPath(const CString& strDataDir);
// Sets g_strFileSign from the record when it can be read; otherwise leaves it as it is.
void ReadInstallRecord(const CString& strDataDir);
// Replaces the record with g_nVerType and g_strFileSign; a record that cannot be written is skipped.
void WriteInstallRecord(const CString& strDataDir);
