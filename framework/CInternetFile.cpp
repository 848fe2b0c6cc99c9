// CInternetFile: InternetReadFile with an optional read-ahead buffer.
#include "CInternetFile.h"

#include <algorithm>
#include <cstring>

CInternetFile::CInternetFile(HINTERNET hFile, DWORD_PTR dwContext) : m_hFile(hFile), m_dwContext(dwContext)
{
}

UINT CInternetFile::ReadThrough(void* lpBuf, UINT nCount)
{
    DWORD nRead = 0;
    if (!::InternetReadFile(m_hFile.Get(), lpBuf, nCount, &nRead)) AfxThrowInternetException(m_dwContext);
    return nRead;
}

UINT CInternetFile::Read(void* lpBuf, UINT nCount)
{
    if (m_buffer.empty()) return ReadThrough(lpBuf, nCount);
    if (m_nBufferPos == m_nBufferEnd) {
        // A synchronous InternetReadFile waits until the whole request is filled, so the buffer is filled only
        // with what has arrived: on a slow link the reader still sees every packet as it comes.
        DWORD dwAvailable = 0;
        if (!::InternetQueryDataAvailable(m_hFile.Get(), &dwAvailable, 0, 0)) AfxThrowInternetException(m_dwContext);
        m_nBufferPos = 0;
        m_nBufferEnd = dwAvailable ? ReadThrough(m_buffer.data(), std::min<UINT>(dwAvailable, m_buffer.size())) : 0;
    }
    size_t n = std::min<size_t>(nCount, m_nBufferEnd - m_nBufferPos);
    std::memcpy(lpBuf, m_buffer.data() + m_nBufferPos, n);
    m_nBufferPos += n;
    return static_cast<UINT>(n);
}

BOOL CInternetFile::SetReadBufferSize(UINT nBufferSize)
{
    // Bytes already buffered must not be lost, so the size is fixed once reading has begun.
    if (m_nBufferPos != m_nBufferEnd) return FALSE;
    m_buffer.assign(nBufferSize, 0);
    m_nBufferPos = m_nBufferEnd = 0;
    return TRUE;
}

void CInternetFile::Close()
{
    m_hFile.Reset();
}

BOOL CInternetFile::SetOption(DWORD dwOption, DWORD dwValue)
{
    return ::InternetSetOptionA(m_hFile.Get(), dwOption, &dwValue, sizeof dwValue);
}
