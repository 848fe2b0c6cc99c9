// AnsiPath: a folder's path in a form the narrow (ANSI code page) file calls can open.
#pragma once

#include <windows.h>

#include "CString.h"

// The path itself when the ANSI code page can spell every character of it, otherwise its short (8.3) form
// when that can; empty when neither can (no short names on the volume, or the folder does not exist).
CString AnsiPath(const wchar_t* pszPath);

// The user's application-data folder as AnsiPath gives it; empty when it cannot be had or spelt.
CString AnsiAppDataFolder();
