// CInternetFile: a remote file opened through WinInet (an FTP file or an HTTP request), read in sequence.
#pragma once

#include <utility>
#include <vector>

#include "CInternetException.h"
#include "CObject.h"
#include "InternetHandle.h"
#include "ReadAheadPace.h"

class CInternetFile : public CObject {
public:
    // Takes ownership of hFile; dwContext goes with the exceptions its reads throw.
    CInternetFile(HINTERNET hFile, DWORD_PTR dwContext);

    // Reads up to nCount bytes; 0 only at the end of the data. A failure throws CInternetException*.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // With a buffer, each read of WinInet takes what has arrived, up to nBufferSize bytes, waiting only while
    // nothing has (or for a whole buffer, while the fills keep a fast pace: ReadAheadPace), and later reads are
    // served from the buffer; 0 (the default) passes every read straight through.
    BOOL SetReadBufferSize(UINT nBufferSize);
    virtual void Close();

    // The file keeps hConnection open for as long as it lives: a handle's children close with it.
    void KeepConnection(InternetHandle hConnection) { m_hOwnedConnection = std::move(hConnection); }

    BOOL SetOption(DWORD dwOption, DWORD dwValue);

    operator HINTERNET() const { return m_hFile.Get(); }

protected:
    // Declared before m_hFile so that it closes after it.
    InternetHandle m_hOwnedConnection;
    InternetHandle m_hFile;
    DWORD_PTR m_dwContext;

private:
    // One read of WinInet. With dwFlags 0 it waits for nCount bytes or the end of the data, as InternetReadFile
    // does; with IRF_NO_WAIT it takes what has arrived. The one call serves both, for the program's imports.
    UINT ReadThrough(void* lpBuf, UINT nCount, DWORD dwFlags);
    // Refills the empty buffer with what has arrived; leaves it empty at the end of the data.
    void FillBuffer();

    std::vector<char> m_buffer;
    size_t m_nBufferPos = 0;
    size_t m_nBufferEnd = 0;
    ReadAheadPace m_pace{0};
};
