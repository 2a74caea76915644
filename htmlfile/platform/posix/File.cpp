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

const char* CauseText(int cause)
{
    switch (cause) {
    case CFileException::none: return "no error";
    case CFileException::fileNotFound: return "file not found";
    case CFileException::badPath: return "bad path";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied";
    case CFileException::invalidFile: return "invalid file";
    case CFileException::removeCurrentDir: return "cannot remove the current directory";
    case CFileException::directoryFull: return "directory full";
    case CFileException::badSeek: return "bad seek";
    case CFileException::hardIO: return "hardware I/O error";
    case CFileException::sharingViolation: return "sharing violation";
    case CFileException::lockViolation: return "lock violation";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "unexpected end of file";
    default: return "file error";
    }
}

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

CFileException::CFileException(int cause, long lOsError, const wchar_t* pszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName)
{
    m_what = CauseText(cause);
    if (lOsError > 0) {
        m_what += " (";
        m_what += std::strerror(static_cast<int>(lOsError));
        m_what += ")";
    }
    if (!m_strFileName.IsEmpty()) {
        m_what += ": ";
        m_what += WideToUtf8(m_strFileName);
    }
}

CFileException CFileException::FromErrno(int err, const wchar_t* pszFileName)
{
    return CFileException(CauseFromErrno(err), err, pszFileName);
}

CString CFileException::GetErrorMessage() const
{
    return CString(Utf8ToWide(m_what.c_str()));
}

CFile::CFile(const wchar_t* pszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(pszFileName, nOpenFlags, &error)) throw error;
}

CFile::~CFile()
{
    Abort();
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
    m_fd = fd;
    m_bWritable = (flags & (O_WRONLY | O_RDWR)) != 0;
    return TRUE;
}

BOOL CFile::OpenDuplicate(const CFile& other, CFileException* pError)
{
    Abort();
    m_strFileName = other.m_strFileName;
    int fd = other.m_fd < 0 ? -1 : ::fcntl(other.m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) < 0) {
        int err = other.m_fd < 0 ? EBADF : errno;
        if (fd >= 0) ::close(fd);
        if (pError) *pError = CFileException::FromErrno(err, m_strFileName);
        return FALSE;
    }
    m_fd = fd;
    m_bWritable = other.m_bWritable;
    return TRUE;
}

void CFile::Close()
{
    if (m_fd < 0) return;
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) throw CFileException::FromErrno(errno, m_strFileName);
}

void CFile::Abort() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

UINT CFile::Read(void* pBuf, UINT nCount)
{
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    char* out = static_cast<char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::read(m_fd, out + done, nCount - done);
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
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const char* in = static_cast<const char*>(pBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::write(m_fd, in + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException::FromErrno(errno, m_strFileName);
        }
        done += static_cast<UINT>(n);
    }
}

LONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    int whence = nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : SEEK_SET;
    off_t pos = ::lseek(m_fd, static_cast<off_t>(lOff), whence);
    if (pos < 0) throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<LONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const
{
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) throw CFileException(CFileException::invalidFile, errno, m_strFileName);
    return static_cast<ULONGLONG>(st.st_size);
}

void CFile::Flush()
{
    if (m_fd >= 0 && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
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

namespace htmlfile_testing {
namespace {
thread_local int t_failRead = 0;
thread_local int t_failWrite = 0;
thread_local unsigned t_failSteps = 0;

void Count(int& counter, const wchar_t* pszFileName)
{
    if (counter > 0 && --counter == 0) throw CFileException(CFileException::hardIO, EIO, pszFileName);
}
} // namespace

void FailNthRead(int n) noexcept { t_failRead = n > 0 ? n : 0; }
void FailNthWrite(int n) noexcept { t_failWrite = n > 0 ? n : 0; }
void ResetFaults() noexcept { t_failRead = t_failWrite = 0, t_failSteps = 0; }
void FailStep(SaveStep step) noexcept { t_failSteps |= 1u << static_cast<unsigned>(step); }
bool StepFails(SaveStep step) noexcept
{
    const unsigned bit = 1u << static_cast<unsigned>(step);
    const bool bFails = (t_failSteps & bit) != 0;
    t_failSteps &= ~bit;
    return bFails;
}
void CountRead(const wchar_t* pszFileName) { Count(t_failRead, pszFileName); }
void CountWrite(const wchar_t* pszFileName) { Count(t_failWrite, pszFileName); }
} // namespace htmlfile_testing
