// CFile: an unbuffered Win32 file handle with the framework's open modes; errors throw CFileException*.
#pragma once

#include <windows.h>

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

    // FALSE on failure, with the cause in *pError when one is given; an open file is closed first.
    virtual BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Reads up to nCount bytes; fewer only at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual void Close();

    // A 64-bit distance, so that offsets from 2 GiB to 4 GiB are not taken for negative ones; the result is
    // the new position's low 32 bits.
    DWORD Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    DWORD SeekToEnd() { return Seek(0, end); }
    DWORD GetPosition() const;
    DWORD GetLength() const;
    // Cuts or extends the file to dwNewLen bytes; the position stays where it was unless past the end.
    void SetLength(DWORD dwNewLen);

    HANDLE GetHandle() const { return m_hFile.Get(); }

protected:
    [[noreturn]] void ThrowLastError() const;

    KernelHandle m_hFile;
    CString m_strFileName;
};
