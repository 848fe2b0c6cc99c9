// CFile: a Win32 file handle with the framework's open modes and an optional write-behind buffer; errors throw
// CFileException*.
#pragma once

#include <windows.h>

#include <vector>

#include "CFileException.h"
#include "CObject.h"
#include "CString.h"
#include "KernelHandle.h"

class CFile : public CObject {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020, shareDenyRead = 0x0030,
        shareDenyNone = 0x0040, modeNoInherit = 0x0080,
        modeCreate = 0x1000, modeNoTruncate = 0x2000, typeText = 0x4000, typeBinary = 0x8000
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens at once; a failure throws CFileException*.
    CFile(const char* pszFileName, UINT nOpenFlags);
    // Writes what the buffer still holds; a failure then is not reported (the file keeps what came before).
    ~CFile() override;

    // FALSE on failure, with the cause in *pError when one is given; an open file is closed first.
    virtual BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Reads up to nCount bytes; fewer only at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    // Hands what the write buffer holds to the system.
    void Flush();
    virtual void Close();
    // With a buffer, writes are gathered and reach the system in blocks of nBufferSize bytes: once the buffer can
    // take no more, on Flush, and before any other operation on the file (which thus sees every byte written). What
    // reached the system is always the bytes written, in order, up to some point: a process killed at any moment
    // leaves the file a prefix of what it was given. 0 (the default) passes every write straight through.
    void SetWriteBufferSize(UINT nBufferSize);

    // A 64-bit distance, so that offsets from 2 GiB to 4 GiB are not taken for negative ones; the result is
    // the new position's low 32 bits.
    DWORD Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    DWORD SeekToEnd() { return Seek(0, end); }
    DWORD GetPosition() const;
    DWORD GetLength() const;
    // Cuts or extends the file to dwNewLen bytes; the position stays where it was unless past the end.
    void SetLength(DWORD dwNewLen);

    // Flushes first, for whoever uses the handle.
    HANDLE GetHandle() const;

protected:
    [[noreturn]] void ThrowLastError() const;

    KernelHandle m_hFile;
    CString m_strFileName;

private:
    void WriteThrough(const void* lpBuf, UINT nCount) const;
    // The const queries flush too: the bytes written belong to the file whoever looks at it.
    void FlushPending() const;

    std::vector<char> m_writeBuffer;
    mutable size_t m_nPending = 0;
};
