// CFile: open modes mapped onto CreateFileA, and the write-behind buffer; every failed call after the open throws
// CFileException*.
#include "CFile.h"

#include <cstring>

CFile::CFile(const char* pszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(pszFileName, nOpenFlags, &error)) CFileException::ThrowOsError(error.m_lOsError, pszFileName);
}

CFile::~CFile()
{
    DWORD nWritten = 0;
    if (m_nPending)
        ::WriteFile(m_hFile.Get(), m_writeBuffer.data(), static_cast<DWORD>(m_nPending), &nWritten, nullptr);
}

BOOL CFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    Close();
    DWORD access = 0;
    switch (nOpenFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; break;
    default: break;  // compatibility and exclusive modes share nothing
    }
    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};

    HANDLE h = ::CreateFileA(pszFileName, access, share, &sa, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (pError) {
            pError->m_lOsError = static_cast<LONG>(::GetLastError());
            pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
            pError->m_strFileName = pszFileName;
        }
        return FALSE;
    }
    m_hFile.Reset(h);
    m_strFileName = pszFileName;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    FlushPending();
    DWORD nRead = 0;
    if (nCount && !::ReadFile(m_hFile.Get(), lpBuf, nCount, &nRead, nullptr)) ThrowLastError();
    return nRead;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (m_nPending + nCount > m_writeBuffer.size()) FlushPending();
    if (nCount >= m_writeBuffer.size()) {
        WriteThrough(lpBuf, nCount);
        return;
    }
    std::memcpy(m_writeBuffer.data() + m_nPending, lpBuf, nCount);
    m_nPending += nCount;
}

void CFile::WriteThrough(const void* lpBuf, UINT nCount) const
{
    DWORD nWritten = 0;
    if (!nCount) return;
    if (!::WriteFile(m_hFile.Get(), lpBuf, nCount, &nWritten, nullptr)) ThrowLastError();
    if (nWritten != nCount) CFileException::ThrowOsError(ERROR_DISK_FULL, m_strFileName);
}

void CFile::Flush()
{
    FlushPending();
}

void CFile::FlushPending() const
{
    // Taken off the buffer before the write: bytes a failed write lost are not written again later, after
    // others, which would leave the file no longer a prefix.
    const size_t n = m_nPending;
    m_nPending = 0;
    WriteThrough(m_writeBuffer.data(), static_cast<UINT>(n));
}

void CFile::SetWriteBufferSize(UINT nBufferSize)
{
    FlushPending();
    m_writeBuffer.assign(nBufferSize, 0);
}

void CFile::Close()
{
    FlushPending();
    m_hFile.Reset();
}

HANDLE CFile::GetHandle() const
{
    FlushPending();
    return m_hFile.Get();
}

DWORD CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    FlushPending();
    // Without the high part SetFilePointer takes the low one as a signed distance.
    LONG high = static_cast<LONG>(lOff >> 32);
    DWORD pos = ::SetFilePointer(m_hFile.Get(), static_cast<LONG>(lOff & 0xFFFFFFFF), &high, nFrom);
    if (pos == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) ThrowLastError();
    return pos;
}

DWORD CFile::GetPosition() const
{
    FlushPending();
    DWORD pos = ::SetFilePointer(m_hFile.Get(), 0, nullptr, FILE_CURRENT);
    if (pos == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) ThrowLastError();
    return pos;
}

DWORD CFile::GetLength() const
{
    FlushPending();
    DWORD len = ::GetFileSize(m_hFile.Get(), nullptr);
    if (len == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) ThrowLastError();
    return len;
}

void CFile::SetLength(DWORD dwNewLen)
{
    DWORD pos = GetPosition();
    Seek(dwNewLen, begin);
    if (!::SetEndOfFile(m_hFile.Get())) ThrowLastError();
    if (pos < dwNewLen) Seek(pos, begin);
}

void CFile::ThrowLastError() const
{
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}
