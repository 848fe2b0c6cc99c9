// AnsiPath: the wide path converted without substitutes; a character the code page lacks makes the narrow
// calls fail, since the converted path would name "?" instead.
#include "AnsiPath.h"

#include <shlobj.h>

#include <vector>

namespace {

// The path in the ANSI code page, or empty when any character has no exact form there.
CString ToAnsi(const wchar_t* pszPath)
{
    // Under code page 65001 every character has a form, and the used-default report is refused.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* pUsedDefault = utf8 ? nullptr : &usedDefault;
    const int size = ::WideCharToMultiByte(CP_ACP, flags, pszPath, -1, nullptr, 0, nullptr, pUsedDefault);
    if (size <= 1 || usedDefault) return CString();
    std::vector<char> text(static_cast<size_t>(size));
    if (!::WideCharToMultiByte(CP_ACP, flags, pszPath, -1, text.data(), size, nullptr, pUsedDefault)) return CString();
    return CString(text.data());
}

}  // namespace

CString AnsiPath(const wchar_t* pszPath)
{
    CString path = ToAnsi(pszPath);
    if (!path.IsEmpty()) return path;
    const DWORD size = ::GetShortPathNameW(pszPath, nullptr, 0);
    if (!size) return CString();
    std::vector<wchar_t> shortPath(size);
    const DWORD length = ::GetShortPathNameW(pszPath, shortPath.data(), size);
    if (!length || length >= size) return CString();
    return ToAnsi(shortPath.data());
}

CString AnsiAppDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return CString();
    return AnsiPath(path);
}
