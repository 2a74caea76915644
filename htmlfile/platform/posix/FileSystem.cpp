#include <htmlfile/platform/FileSystem.h>
#include <htmlfile/platform/ReplaceInPlace.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace htmlfile_platform {
namespace {

using detail::AddWarning;
using detail::Describe;
using detail::MoveOutcome;
using detail::ReplaceInPlace;
using htmlfile_testing::SaveStep;
using htmlfile_testing::StepFails;

std::string Bytes(const wchar_t* psz)
{
    return WideToBytes(psz ? psz : L"");
}

// A descriptor closed when the scope ends.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const noexcept { return m_fd; }
    void Reset() noexcept
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

long long Nanoseconds(const struct timespec& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

FileIdentity IdentityFromStat(const struct stat& st)
{
    FileIdentity id;
    id.nDevice = static_cast<unsigned long long>(st.st_dev);
    id.nInode = static_cast<unsigned long long>(st.st_ino);
    id.nSize = static_cast<unsigned long long>(st.st_size);
    id.nModifiedNs = Nanoseconds(st.st_mtim);
    id.nChangedNs = Nanoseconds(st.st_ctim);
    id.nLinks = static_cast<unsigned long long>(st.st_nlink);
    id.nMode = static_cast<unsigned int>(st.st_mode);
    id.nOwner = static_cast<unsigned int>(st.st_uid);
    id.nGroup = static_cast<unsigned int>(st.st_gid);
    return id;
}

int FsyncOrError(int fd)
{
    if (htmlfile_testing::FlushesSkipped()) return 0;
    // Some file systems (and pipes) cannot flush; they have nothing to lose.
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
}

bool IsUnwritableNamespace(const std::string& name)
{
    return name.rfind("security.", 0) == 0 || name.rfind("trusted.", 0) == 0;
}

std::vector<std::string> AttributeNames(int fd)
{
    std::vector<std::string> names;
    ssize_t nSize = ::flistxattr(fd, nullptr, 0);
    if (nSize <= 0) return names;
    std::vector<char> list(static_cast<size_t>(nSize));
    nSize = ::flistxattr(fd, list.data(), list.size());
    for (ssize_t i = 0; i < nSize;) {
        std::string name(list.data() + i);
        i += static_cast<ssize_t>(name.size()) + 1;
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

enum class MetadataCopy { copied, needsInPlace, failed };

// Gives the new file the old file's owner, group, permissions, ACL and
// extended attributes. What this user cannot give a new file makes the
// save go in place instead (where the old file keeps them all), except
// attributes of the security and trusted namespaces, which only become a
// warning: a new file gets its own labels there.
MetadataCopy CopyMetadata(int from, const FileIdentity& identity, int to, CString& strCause, CString& strWarning)
{
    struct stat st;
    if (::fstat(to, &st) != 0) {
        strCause = L"cannot examine the new text: " + ErrorText(errno);
        return MetadataCopy::failed;
    }
    const bool bInjected = StepFails(SaveStep::ownerCopy);
    if (bInjected || st.st_uid != identity.nOwner || st.st_gid != identity.nGroup) {
        const int err = bInjected ? EPERM : ::fchown(to, identity.nOwner, identity.nGroup) == 0 ? 0 : errno;
        if (err == EPERM || err == EINVAL) return MetadataCopy::needsInPlace;
        if (err) {
            strCause = L"cannot give the new text the file's owner: " + ErrorText(err);
            return MetadataCopy::failed;
        }
    }
    if (::fchmod(to, identity.nMode & 07777) != 0) {
        strCause = L"cannot give the new text the file's permissions: " + ErrorText(errno);
        return MetadataCopy::failed;
    }
    for (const std::string& name : AttributeNames(from)) {
        ssize_t nSize = ::fgetxattr(from, name.c_str(), nullptr, 0);
        std::vector<char> value(nSize > 0 ? static_cast<size_t>(nSize) : 0);
        if (nSize > 0) nSize = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (nSize < 0) continue; // gone meanwhile
        if (::fsetxattr(to, name.c_str(), value.data(), static_cast<size_t>(nSize), 0) == 0) continue;
        const int err = errno;
        if (!IsUnwritableNamespace(name)) return MetadataCopy::needsInPlace;
        AddWarning(strWarning, L"the extended attribute " + CString(BytesToWide(name.c_str())) + L" was not kept: " +
                                   ErrorText(err));
    }
    return MetadataCopy::copied;
}

} // namespace

void detail::MarkNewVersion(CFile& target, const FileIdentity& before) noexcept
{
    struct stat st;
    if (::fstat(target.GetHandle(), &st) != 0 || Nanoseconds(st.st_mtim) != before.nModifiedNs) return;
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = st.st_mtim;
    if (++times[1].tv_nsec == 1000000000L) times[1].tv_nsec = 0, ++times[1].tv_sec;
    ::futimens(target.GetHandle(), times);
}

int LastError() noexcept
{
    return errno;
}

bool FileIdentity::IsReadOnly() const noexcept
{
    return (nMode & 0222) == 0;
}

int IdentityOfPath(const wchar_t* pszPath, FileIdentity& identity)
{
    struct stat st;
    if (::stat(Bytes(pszPath).c_str(), &st) != 0) return errno;
    identity = IdentityFromStat(st);
    return 0;
}

int IdentityOfFile(const CFile& file, FileIdentity& identity)
{
    struct stat st;
    if (::fstat(file.GetHandle(), &st) != 0) return errno;
    identity = IdentityFromStat(st);
    return 0;
}

CString FolderOf(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    int nSlash = strPath.ReverseFind(L'/');
    if (nSlash < 0) return CString(L".");
    return nSlash == 0 ? CString(L"/") : strPath.Left(nSlash);
}

bool NamesFolder(const wchar_t* pszPath)
{
    return pszPath && std::wcschr(pszPath, L'/') != nullptr;
}

CString ResolvedPath(const wchar_t* pszPath)
{
    std::string path = Bytes(pszPath);
    if (char* pResolved = ::realpath(path.c_str(), nullptr)) {
        CString strResolved(BytesToWide(pResolved));
        std::free(pResolved);
        return strResolved;
    }
    size_t nSlash = path.rfind('/');
    std::string folder = nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : path.substr(0, nSlash);
    std::string name = nSlash == std::string::npos ? path : path.substr(nSlash + 1);
    if (char* pFolder = ::realpath(folder.c_str(), nullptr)) {
        std::string resolved(pFolder);
        std::free(pFolder);
        if (resolved.back() != '/') resolved += '/';
        return CString(BytesToWide((resolved + name).c_str()));
    }
    return CString(pszPath);
}

int LockFile(const CFile& file, bool bExclusive, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        if (::flock(file.GetHandle(), (bExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return 0;
        const int err = errno;
        if (err == ENOLCK || err == EOPNOTSUPP || err == EINVAL) return 0;
        if (err != EWOULDBLOCK && err != EINTR) return err;
        if (std::chrono::steady_clock::now() >= deadline) return kLockTimedOut;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

CString UniqueFileName(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int nNumber)
{
    CString strName(pszFolder);
    if (!strName.IsEmpty() && strName.GetAt(strName.GetLength() - 1) != L'/') strName += L'/';
    CString strFile;
    strFile.Format(L"%.3s%04X.tmp", pszPrefix ? pszPrefix : L"", nNumber & 0xFFFF);
    return strName + strFile;
}

CString CreateUniqueFile(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int nMode, int* pnError)
{
    // Start from a number that differs between processes, threads and calls,
    // then walk the 65535 candidates until a new file can be created.
    const auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      static_cast<unsigned>(::getpid() * 2654435761u) ^
                      static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id()));
    int err = EEXIST;
    for (unsigned attempt = 0; attempt < 0xFFFF && err == EEXIST; ++attempt) {
        const CString strName = UniqueFileName(pszFolder, pszPrefix, (seed + attempt) % 0xFFFF + 1);
        int fd = ::open(Bytes(strName).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(nMode));
        if (fd >= 0) {
            ::close(fd);
            return strName;
        }
        err = errno;
    }
    if (pnError) *pnError = err;
    return CString();
}

ReplaceResult ReplaceWithNewText(CFile& target, const FileIdentity& identity, const wchar_t* pszTarget,
                                 const wchar_t* pszNewText)
{
    if (identity.nLinks > 1) return ReplaceInPlace(target, identity, pszTarget, pszNewText, L"it has several links");

    ReplaceResult result;
    UniqueFd newText(::open(Bytes(pszNewText).c_str(), O_RDWR | O_CLOEXEC));
    if (newText.Get() < 0) {
        result.strFailure = Describe(L"cannot open the new text", pszNewText, errno);
        return result;
    }
    switch (CopyMetadata(target.GetHandle(), identity, newText.Get(), result.strFailure, result.strWarning)) {
    case MetadataCopy::failed: return result;
    case MetadataCopy::needsInPlace:
        newText.Reset();
        return ReplaceInPlace(target, identity, pszTarget, pszNewText,
                              L"a new file could not be given its owner, group, ACL or attributes");
    case MetadataCopy::copied: break;
    }
    if (int err = FsyncOrError(newText.Get())) {
        result.strFailure = Describe(L"cannot flush", pszNewText, err);
        return result;
    }
    newText.Reset();
    const int nRenameError = StepFails(SaveStep::rename)                                      ? EIO
                             : ::rename(Bytes(pszNewText).c_str(), Bytes(pszTarget).c_str()) == 0 ? 0
                                                                                                  : errno;
    return MoveOutcome(nRenameError, L"cannot replace", pszTarget);
}

ReplaceResult MoveNewFileInto(const wchar_t* pszNewText, const wchar_t* pszTarget)
{
    const std::string from = Bytes(pszNewText);
    const std::string to = Bytes(pszTarget);
    int err = 0;
    if (StepFails(SaveStep::rename)) {
        err = EIO;
    } else if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        err = errno;
        // File systems without an exclusive rename: link, then unlink.
        if (err == EINVAL || err == ENOSYS) err = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
        if (err == 0) ::unlink(from.c_str());
    }
    return MoveOutcome(err, L"cannot create", pszTarget);
}

int FlushFolder(const wchar_t* pszFolder)
{
    if (StepFails(SaveStep::folderFlush)) return EIO;
    if (htmlfile_testing::FlushesSkipped()) return 0;
    UniqueFd folder(::open(Bytes(pszFolder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0) return errno;
    return FsyncOrError(folder.Get());
}

CString ErrorText(int nError)
{
    return CString(Utf8ToWide(std::strerror(nError)));
}

} // namespace htmlfile_platform
