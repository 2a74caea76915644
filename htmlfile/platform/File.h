// CFile: a binary file on a system handle, with the open flags, status
// query and exception type of the file interface the library was designed
// around. Paths are wide strings; on POSIX they reach the system through
// WideToBytes, so every byte name round-trips; on Windows they go to the
// wide-character calls as they are (through \\?\ when longer than MAX_PATH).
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

#include <exception>
#include <string>

#ifndef _WIN32
typedef unsigned long long ULONGLONG;
#endif

// The system's handle of an open file: a HANDLE on Windows, a descriptor
// elsewhere.
#ifdef _WIN32
using FileHandle = HANDLE;
#else
using FileHandle = int;
#endif

// Thrown by value; callers catch `const CFileException&`.
class HTMLFILE_API CFileException : public std::exception {
public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException(int cause = genericException, long lOsError = -1, const wchar_t* pszFileName = nullptr);

    // Builds the exception that matches a system error number (GetLastError
    // on Windows, errno elsewhere).
    static CFileException FromOsError(long nError, const wchar_t* pszFileName);
#ifndef _WIN32
    static CFileException FromErrno(int err, const wchar_t* pszFileName) { return FromOsError(err, pszFileName); }
#endif

    const char* what() const noexcept override { return m_what.c_str(); }
    // A readable description: "<reason>: <file>".
    CString GetErrorMessage() const;

    int m_cause;
    long m_lOsError;
    CString m_strFileName;

private:
    std::string m_what;
};

struct CFileStatus {
    LONGLONG m_ctime = 0; // status change time (Windows: creation), whole seconds since the epoch
    LONGLONG m_mtime = 0; // last modification, whole seconds since the epoch
    LONGLONG m_atime = 0; // last access, whole seconds since the epoch
    ULONGLONG m_size = 0;
    unsigned char m_attribute = 0; // 0x01 read-only, 0x10 directory
    CString m_szFullName;
};

class HTMLFILE_API CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };
    enum Attribute : unsigned char { normal = 0x00, readOnly = 0x01, directory = 0x10 };

    CFile() = default;
    // Opens the file or throws CFileException.
    CFile(const wchar_t* pszFileName, UINT nOpenFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Opens the file; on failure fills *pError (when given) and returns FALSE.
    BOOL Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Opens a second handle on the file that other has open, reading from
    // its start. Both share one open file, so a lock taken on either holds
    // for both; the second is closed independently. On POSIX the two share
    // the file position too; on Windows each keeps its own.
    BOOL OpenDuplicate(const CFile& other, CFileException* pError = nullptr);
    // Closes the file; throws CFileException when the close reports an error.
    void Close();
    // Closes the file and ignores any error.
    void Abort() noexcept;
    BOOL IsOpen() const noexcept;
    // Whether the file was opened with write access.
    BOOL IsWritable() const noexcept { return m_bWritable; }

    // Raw byte transfer; both throw CFileException on an I/O error. Read
    // returns fewer bytes than asked only at the end of the file.
    UINT Read(void* pBuf, UINT nCount);
    void Write(const void* pBuf, UINT nCount);
    LONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG GetLength() const;
    // Cuts or extends the file to nNewLen bytes; throws CFileException.
    void SetLength(ULONGLONG nNewLen);
    // Flushes the file to the storage device (fsync, FlushFileBuffers).
    void Flush();

    const CString& GetFilePath() const noexcept { return m_strFileName; }
    FileHandle GetHandle() const noexcept { return m_hFile; }

    // Fills rStatus for a path; FALSE when the path can't be examined.
    static BOOL GetStatus(const wchar_t* pszFileName, CFileStatus& rStatus);
    // Both throw CFileException on failure.
    static void Remove(const wchar_t* pszFileName);
    static void Rename(const wchar_t* pszOldName, const wchar_t* pszNewName);

protected:
#ifdef _WIN32
    FileHandle m_hFile = INVALID_HANDLE_VALUE;
    // Reads and writes name their offset, so that a duplicate keeps its own.
    ULONGLONG m_nPosition = 0;
#else
    FileHandle m_hFile = -1;
#endif
    BOOL m_bWritable = FALSE;
    CString m_strFileName;
};

// Test hooks: make the calling thread's n-th text-file read or write (counted
// from the call, 1 = the next one) throw a CFileException, so tests can prove
// that every failure leaves the files as promised. 0 disarms. The counters
// are per thread; production code never arms them.
namespace htmlfile_testing {
HTMLFILE_API void FailNthRead(int n) noexcept;
HTMLFILE_API void FailNthWrite(int n) noexcept;
HTMLFILE_API void ResetFaults() noexcept;
// The steps of replacing a file by its new version, each of which a test can
// make fail once, the next time the calling thread reaches it.
enum class SaveStep { ownerCopy, rename, folderFlush, backupWrite, inPlaceWrite, restoreWrite };
HTMLFILE_API void FailStep(SaveStep step) noexcept;
// Called by the platform layer at each step: true (once) when armed.
HTMLFILE_API bool StepFails(SaveStep step) noexcept;
// Makes the calling thread skip every flush to disk (files and folders), so
// that a benchmark can time the flushes apart from the rest of a save.
HTMLFILE_API void SkipFlushes(bool bSkip) noexcept;
HTMLFILE_API bool FlushesSkipped() noexcept;
// Called by the text file class before each read or write; throws when armed
// and the count is reached.
HTMLFILE_API void CountRead(const wchar_t* pszFileName);
HTMLFILE_API void CountWrite(const wchar_t* pszFileName);
} // namespace htmlfile_testing
