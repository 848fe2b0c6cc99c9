// CInternetFile: InternetReadFileExA, with an optional read-ahead buffer filled with what has arrived.
#include "CInternetFile.h"

#include <algorithm>
#include <cstring>

CInternetFile::CInternetFile(HINTERNET hFile, DWORD_PTR dwContext) : m_hFile(hFile), m_dwContext(dwContext)
{
}

UINT CInternetFile::ReadThrough(void* lpBuf, UINT nCount, DWORD dwFlags)
{
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof buffers;
    buffers.lpvBuffer = lpBuf;
    buffers.dwBufferLength = nCount;
    if (!::InternetReadFileExA(m_hFile.Get(), &buffers, dwFlags, m_dwContext)) AfxThrowInternetException(m_dwContext);
    return buffers.dwBufferLength;
}

UINT CInternetFile::Read(void* lpBuf, UINT nCount)
{
    if (m_buffer.empty()) return ReadThrough(lpBuf, nCount, 0);
    if (m_nBufferPos == m_nBufferEnd) FillBuffer();
    size_t n = std::min<size_t>(nCount, m_nBufferEnd - m_nBufferPos);
    std::memcpy(lpBuf, m_buffer.data() + m_nBufferPos, n);
    m_nBufferPos += n;
    return static_cast<UINT>(n);
}

void CInternetFile::FillBuffer()
{
    m_nBufferPos = 0;
    // A synchronous read waits until the whole request is filled or the data ends: taken only while the fills
    // keep a pace at which that wait is short (ReadAheadPace).
    if (m_pace.WholeBufferDue()) {
        m_nBufferEnd = ReadThrough(m_buffer.data(), static_cast<UINT>(m_buffer.size()), 0);
        m_pace.Note(m_nBufferEnd, ::GetTickCount(), false);
        return;
    }
    // InternetQueryDataAvailable waits only while nothing has arrived (the wait every read makes, bounded by the
    // receive time-out) and reports 0 at the end of the data. With bytes known to be there, InternetReadFileExA
    // with IRF_NO_WAIT returns at once with everything that has arrived, up to the buffer's size. Wine answers
    // both from its own 8 KiB receive buffer, so there a fill of this kind takes what that holds.
    DWORD dwAvailable = 0;
    if (!::InternetQueryDataAvailable(m_hFile.Get(), &dwAvailable, 0, 0)) AfxThrowInternetException(m_dwContext);
    m_nBufferEnd = dwAvailable ? ReadThrough(m_buffer.data(), static_cast<UINT>(m_buffer.size()), IRF_NO_WAIT) : 0;
    m_pace.Note(m_nBufferEnd, ::GetTickCount(), true);
}

BOOL CInternetFile::SetReadBufferSize(UINT nBufferSize)
{
    // Bytes already buffered must not be lost, so the size is fixed once reading has begun.
    if (m_nBufferPos != m_nBufferEnd) return FALSE;
    m_buffer.assign(nBufferSize, 0);
    m_nBufferPos = m_nBufferEnd = 0;
    m_pace = ReadAheadPace(nBufferSize);
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
