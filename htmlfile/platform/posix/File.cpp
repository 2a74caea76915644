#include <htmlfile/platform/File.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CauseFromErrno(int err)
{
    switch (err) {
    case ENOENT: return CFileException::fileNotFound;
    case ENOTDIR: case ENAMETOOLONG: case ELOOP: return CFileException::badPath;
    case EMFILE: case ENFILE: return CFileException::tooManyOpenFiles;
    case EACCES: case EPERM: case EROFS: case EEXIST: return CFileException::accessDenied;
    case EISDIR: case EBADF: case EINVAL: return CFileException::invalidFile;
    case ENOSPC: case EDQUOT: case EFBIG: return CFileException::diskFull;
    case EIO: return CFileException::hardIO;
    case EBUSY: case ETXTBSY: return CFileException::sharingViolation;
    default: return CFileException::genericException;
    }
}

std::string PathBytes(const wchar_t* path)
{
    return WideToBytes(path ? path : L"");
}

} // namespace

CFileException CFileException::FromOsError(long nError, const wchar_t* pszFileName)
{
    return CFileException(CauseFromErrno(static_cast<int>(nError)), nError, pszFileName);
}

BOOL CFile::IsOpen() const noexcept
{
    return m_hFile >= 0;
}

BOOL CFile::Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFileName = pszFileName;
    int flags = O_CLOEXEC;
    switch (nOpenFlags & 0x3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (nOpenFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(nOpenFlags & modeNoTruncate)) flags |= O_TRUNC;
    }
    std::string path = PathBytes(pszFileName);
    int fd = path.empty() ? -1 : ::open(path.c_str(), flags, 0666);
    int err = path.empty() ? ENOENT : errno;
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            fd = -1;
            err = EISDIR;
        }
    }
    if (fd < 0) {
        if (pError) *pError = CFileException::FromErrno(err, pszFileName);
        return FALSE;
    }
    m_hFile = fd;
    m_bWritable = (flags & (O_WRONLY | O_RDWR)) != 0;
    return TRUE;
}

BOOL CFile::OpenDuplicate(const CFile& other, CFileException* pError)
{
    Abort();
    m_strFileName = other.m_strFileName;
    int fd = other.m_hFile < 0 ? -1 : ::fcntl(other.m_hFile, F_DUPFD_CLOEXEC, 0);
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) < 0) {
        int err = other.m_hFile < 0 ? EBADF : errno;
        if (fd >= 0) ::close(fd);
        if (pError) *pError = CFileException::FromErrno(err, m_strFileName);
        return FALSE;
    }
    m_hFile = fd;
    m_bWritable = other.m_bWritable;
    return TRUE;
}

void CFile::Close()
{
    if (m_hFile < 0) return;
    int fd = m_hFile;
    m_hFile = -1;
    if (::close(fd) != 0 && errno != EINTR) throw CFileException::FromErrno(errno, m_strFileName);
}

void CFile::Abort() noexcept
{
    if (m_hFile >= 0) {
        ::close(m_hFile);
        m_hFile = -1;
    }
}

UINT CFile::Read(void* pBuf, UINT nCount)
{
    if (m_hFile < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    char* out = static_cast<char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::read(m_hFile, out + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException::FromErrno(errno, m_strFileName);
        }
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* pBuf, UINT nCount)
{
    if (m_hFile < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const char* in = static_cast<const char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::write(m_hFile, in + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException::FromErrno(errno, m_strFileName);
        }
        done += static_cast<UINT>(n);
    }
}

LONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (m_hFile < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    int whence = nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : SEEK_SET;
    off_t pos = ::lseek(m_hFile, static_cast<off_t>(lOff), whence);
    if (pos < 0) throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<LONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const
{
    struct stat st;
    if (m_hFile < 0 || ::fstat(m_hFile, &st) != 0) throw CFileException(CFileException::invalidFile, errno, m_strFileName);
    return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG nNewLen)
{
    if (m_hFile < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    if (::ftruncate(m_hFile, static_cast<off_t>(nNewLen)) != 0) throw CFileException::FromErrno(errno, m_strFileName);
}

void CFile::Flush()
{
    if (htmlfile_testing::FlushesSkipped()) return;
    if (m_hFile >= 0 && ::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
        throw CFileException::FromErrno(errno, m_strFileName);
}

BOOL CFile::GetStatus(const wchar_t* pszFileName, CFileStatus& rStatus)
{
    std::string path = PathBytes(pszFileName);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return FALSE;
    rStatus.m_ctime = static_cast<LONGLONG>(st.st_ctime);
    rStatus.m_mtime = static_cast<LONGLONG>(st.st_mtime);
    rStatus.m_atime = static_cast<LONGLONG>(st.st_atime);
    rStatus.m_size = static_cast<ULONGLONG>(st.st_size);
    rStatus.m_attribute = 0;
    if (S_ISDIR(st.st_mode)) rStatus.m_attribute |= directory;
    if (::access(path.c_str(), W_OK) != 0) rStatus.m_attribute |= readOnly;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) rStatus.m_szFullName = CString(BytesToWide(resolved));
    else rStatus.m_szFullName = pszFileName;
    return TRUE;
}

void CFile::Remove(const wchar_t* pszFileName)
{
    std::string path = PathBytes(pszFileName);
    if (::unlink(path.c_str()) != 0) throw CFileException::FromErrno(errno, pszFileName);
}

void CFile::Rename(const wchar_t* pszOldName, const wchar_t* pszNewName)
{
    if (::rename(PathBytes(pszOldName).c_str(), PathBytes(pszNewName).c_str()) != 0)
        throw CFileException::FromErrno(errno, pszOldName);
}
