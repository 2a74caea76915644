#include <htmlfile/platform/File.h>
#include <htmlfile/platform/windows/Paths.h>

using htmlfile_platform::windows::SystemPath;

namespace {

int CauseFromError(DWORD nError)
{
    switch (nError) {
    case ERROR_FILE_NOT_FOUND: return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME:
        return CFileException::badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return CFileException::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS:
        return CFileException::accessDenied;
    case ERROR_CURRENT_DIRECTORY: return CFileException::removeCurrentDir;
    case ERROR_INVALID_HANDLE: case ERROR_DIRECTORY: return CFileException::invalidFile;
    case ERROR_CANNOT_MAKE: return CFileException::directoryFull;
    case ERROR_NEGATIVE_SEEK: case ERROR_SEEK: return CFileException::badSeek;
    case ERROR_IO_DEVICE: case ERROR_CRC: case ERROR_READ_FAULT: case ERROR_WRITE_FAULT: case ERROR_GEN_FAILURE:
        return CFileException::hardIO;
    case ERROR_SHARING_VIOLATION: return CFileException::sharingViolation;
    case ERROR_LOCK_VIOLATION: return CFileException::lockViolation;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return CFileException::diskFull;
    case ERROR_HANDLE_EOF: return CFileException::endOfFile;
    default: return CFileException::genericException;
    }
}

DWORD AccessFor(UINT nOpenFlags)
{
    switch (nOpenFlags & 0x3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

// Denying nothing includes renaming and deleting: a topic that a document
// reads stays free for an editor to save over. Without a share flag, a
// file read denies nothing and a file written lets others read it.
DWORD ShareFor(UINT nOpenFlags)
{
    constexpr DWORD kAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    switch (nOpenFlags & 0x70) {
    case CFile::shareExclusive: return 0;
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    case CFile::shareDenyNone: return kAll;
    default: return AccessFor(nOpenFlags) == GENERIC_READ ? kAll : FILE_SHARE_READ;
    }
}

DWORD DispositionFor(UINT nOpenFlags)
{
    if (!(nOpenFlags & CFile::modeCreate)) return OPEN_EXISTING;
    return (nOpenFlags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD nAttributes = ::GetFileAttributesW(path.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

OVERLAPPED At(ULONGLONG nOffset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(nOffset);
    at.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
    return at;
}

// Whole seconds since 1970 from a FILETIME (100 ns since 1601).
LONGLONG UnixSeconds(const FILETIME& time)
{
    const ULONGLONG nTicks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<LONGLONG>(nTicks / 10000000ULL) - 11644473600LL;
}

} // namespace

CFileException CFileException::FromOsError(long nError, const wchar_t* pszFileName)
{
    return CFileException(CauseFromError(static_cast<DWORD>(nError)), nError, pszFileName);
}

BOOL CFile::IsOpen() const noexcept
{
    return m_hFile != INVALID_HANDLE_VALUE;
}

BOOL CFile::Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFileName = pszFileName;
    m_nPosition = 0;
    const std::wstring path = SystemPath(pszFileName);
    // Not inherited by child processes, as O_CLOEXEC on POSIX.
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    HANDLE hFile = path.empty() ? INVALID_HANDLE_VALUE
                                : ::CreateFileW(path.c_str(), AccessFor(nOpenFlags), ShareFor(nOpenFlags), &security,
                                                DispositionFor(nOpenFlags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        const DWORD nError = path.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError();
        if (pError) {
            // A folder opened as a file is refused as access denied; it is
            // no file, as on POSIX.
            *pError = nError == ERROR_ACCESS_DENIED && IsFolder(path)
                          ? CFileException(CFileException::invalidFile, ERROR_DIRECTORY, pszFileName)
                          : CFileException::FromOsError(static_cast<long>(nError), pszFileName);
        }
        return FALSE;
    }
    m_hFile = hFile;
    m_bWritable = (AccessFor(nOpenFlags) & GENERIC_WRITE) != 0;
    return TRUE;
}

BOOL CFile::OpenDuplicate(const CFile& other, CFileException* pError)
{
    Abort();
    m_strFileName = other.m_strFileName;
    m_nPosition = 0;
    HANDLE hProcess = ::GetCurrentProcess();
    HANDLE hFile = INVALID_HANDLE_VALUE;
    if (!other.IsOpen() ||
        !::DuplicateHandle(hProcess, other.m_hFile, hProcess, &hFile, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        const DWORD nError = other.IsOpen() ? ::GetLastError() : ERROR_INVALID_HANDLE;
        if (pError) *pError = CFileException::FromOsError(static_cast<long>(nError), m_strFileName);
        return FALSE;
    }
    m_hFile = hFile;
    m_bWritable = other.m_bWritable;
    return TRUE;
}

void CFile::Close()
{
    if (!IsOpen()) return;
    HANDLE hFile = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!::CloseHandle(hFile)) throw CFileException::FromOsError(static_cast<long>(::GetLastError()), m_strFileName);
}

void CFile::Abort() noexcept
{
    if (IsOpen()) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

UINT CFile::Read(void* pBuf, UINT nCount)
{
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    char* out = static_cast<char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        OVERLAPPED at = At(m_nPosition);
        DWORD nGot = 0;
        if (!::ReadFile(m_hFile, out + done, nCount - done, &nGot, &at)) {
            const DWORD nError = ::GetLastError();
            if (nError == ERROR_HANDLE_EOF) break;
            throw CFileException::FromOsError(static_cast<long>(nError), m_strFileName);
        }
        if (nGot == 0) break;
        done += nGot;
        m_nPosition += nGot;
    }
    return done;
}

void CFile::Write(const void* pBuf, UINT nCount)
{
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const char* in = static_cast<const char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        OVERLAPPED at = At(m_nPosition);
        DWORD nPut = 0;
        if (!::WriteFile(m_hFile, in + done, nCount - done, &nPut, &at))
            throw CFileException::FromOsError(static_cast<long>(::GetLastError()), m_strFileName);
        if (nPut == 0) throw CFileException(CFileException::diskFull, ERROR_HANDLE_DISK_FULL, m_strFileName);
        done += nPut;
        m_nPosition += nPut;
    }
}

LONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    LONGLONG nBase = 0;
    if (nFrom == current) nBase = static_cast<LONGLONG>(m_nPosition);
    else if (nFrom == end) nBase = static_cast<LONGLONG>(GetLength());
    if (lOff < -nBase) throw CFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName);
    m_nPosition = static_cast<ULONGLONG>(nBase + lOff);
    return static_cast<LONGLONG>(m_nPosition);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER nSize;
    if (!IsOpen() || !::GetFileSizeEx(m_hFile, &nSize))
        throw CFileException(CFileException::invalidFile, IsOpen() ? static_cast<long>(::GetLastError()) : -1,
                             m_strFileName);
    return static_cast<ULONGLONG>(nSize.QuadPart);
}

void CFile::SetLength(ULONGLONG nNewLen)
{
    if (!IsOpen()) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(nNewLen);
    if (!::SetFileInformationByHandle(m_hFile, FileEndOfFileInfo, &end, sizeof end))
        throw CFileException::FromOsError(static_cast<long>(::GetLastError()), m_strFileName);
}

void CFile::Flush()
{
    if (htmlfile_testing::FlushesSkipped() || !IsOpen() || !m_bWritable) return;
    if (::FlushFileBuffers(m_hFile)) return;
    // Devices and pipes that cannot flush have nothing to lose.
    const DWORD nError = ::GetLastError();
    if (nError != ERROR_INVALID_FUNCTION && nError != ERROR_NOT_SUPPORTED)
        throw CFileException::FromOsError(static_cast<long>(nError), m_strFileName);
}

BOOL CFile::GetStatus(const wchar_t* pszFileName, CFileStatus& rStatus)
{
    const std::wstring path = SystemPath(pszFileName);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return FALSE;
    rStatus.m_ctime = UnixSeconds(data.ftCreationTime);
    rStatus.m_mtime = UnixSeconds(data.ftLastWriteTime);
    rStatus.m_atime = UnixSeconds(data.ftLastAccessTime);
    rStatus.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    rStatus.m_attribute = 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) rStatus.m_attribute |= directory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) rStatus.m_attribute |= readOnly;
    wchar_t szFull[MAX_PATH];
    const DWORD nFull = ::GetFullPathNameW(pszFileName, MAX_PATH, szFull, nullptr);
    rStatus.m_szFullName = nFull > 0 && nFull < MAX_PATH ? szFull : pszFileName;
    return TRUE;
}

void CFile::Remove(const wchar_t* pszFileName)
{
    if (!::DeleteFileW(SystemPath(pszFileName).c_str()))
        throw CFileException::FromOsError(static_cast<long>(::GetLastError()), pszFileName);
}

void CFile::Rename(const wchar_t* pszOldName, const wchar_t* pszNewName)
{
    // No MOVEFILE_REPLACE_EXISTING: a file at the new name is never lost.
    if (!::MoveFileExW(SystemPath(pszOldName).c_str(), SystemPath(pszNewName).c_str(), 0))
        throw CFileException::FromOsError(static_cast<long>(::GetLastError()), pszOldName);
}
