#include <htmlfile/platform/FileSystem.h>
#include <htmlfile/platform/ReplaceInPlace.h>
#include <htmlfile/platform/windows/Paths.h>

#include <aclapi.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace htmlfile_platform {
namespace {

using detail::AddWarning;
using detail::Describe;
using detail::FlushFolderOf;
using detail::MoveOutcome;
using detail::ReplaceInPlace;
using htmlfile_testing::SaveStep;
using htmlfile_testing::StepFails;
using windows::SystemPath;

// Byte-range locks on Windows are mandatory: a locked byte can be neither
// read nor written through another handle. The lock that coordinates
// documents therefore covers one byte far beyond the end of any topic, so
// that editors and help compilers go on reading the text itself.
constexpr ULONGLONG kLockOffset = 0x7FFFFFFFFFFFFFF0ULL;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle closed when the scope ends.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE hHandle = INVALID_HANDLE_VALUE) noexcept : m_hHandle(hHandle) {}
    ~UniqueHandle()
    {
        if (IsValid()) ::CloseHandle(m_hHandle);
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE Get() const noexcept { return m_hHandle; }
    bool IsValid() const noexcept { return m_hHandle != INVALID_HANDLE_VALUE && m_hHandle != nullptr; }

private:
    HANDLE m_hHandle;
};

// Opens a file or folder only to ask about it: no access to its content,
// so no other program's share mode refuses it.
UniqueHandle OpenToExamine(const wchar_t* pszPath)
{
    return UniqueHandle(::CreateFileW(SystemPath(pszPath).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Nanoseconds since 1970 from 100 ns ticks since 1601.
long long UnixNanoseconds(LONGLONG nTicks)
{
    return (nTicks - 116444736000000000LL) * 100;
}

int IdentityOfHandle(HANDLE hFile, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandle(hFile, &info) ||
        !::GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic))
        return static_cast<int>(::GetLastError());
    FileIdentity id;
    id.nDevice = info.dwVolumeSerialNumber;
    id.nInode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.nSize = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.nModifiedNs = UnixNanoseconds(basic.LastWriteTime.QuadPart);
    id.nChangedNs = UnixNanoseconds(basic.ChangeTime.QuadPart);
    id.nLinks = info.nNumberOfLinks;
    id.nMode = info.dwFileAttributes;
    identity = id;
    return 0;
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

int LastSeparator(const CString& strPath)
{
    return (std::max)(strPath.ReverseFind(L'\\'), strPath.ReverseFind(L'/'));
}

// The final path of an open handle, without the \\?\ prefix where it fits
// without it; empty when the system can't tell.
std::wstring FinalPath(HANDLE hFile)
{
    DWORD nNeeded = ::GetFinalPathNameByHandleW(hFile, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (nNeeded == 0) return std::wstring();
    std::wstring path(nNeeded, L'\0');
    const DWORD nGot = ::GetFinalPathNameByHandleW(hFile, path.data(), nNeeded, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (nGot == 0 || nGot >= nNeeded) return std::wstring();
    path.resize(nGot);
    return windows::WithoutLongPrefix(path);
}

// ReplaceFileW merges the old file's ACL into the new one; Wine's leaves
// the new file its own, and Wine keeps an ACL as the Unix permission bits:
// the new file is given the old one's first. What can't be copied here is
// left to ReplaceFileW.
void CopyAccessControl(const CFile& from, const wchar_t* pszTo)
{
    PACL pAcl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (::GetSecurityInfo(from.GetHandle(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pAcl,
                          nullptr, &pDescriptor) != ERROR_SUCCESS)
        return;
    std::wstring to = SystemPath(pszTo);
    ::SetNamedSecurityInfoW(to.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, pAcl, nullptr);
    ::LocalFree(pDescriptor);
}

// ReplaceFileW gives the new file the old one's attributes; Wine's does
// not, so they are checked and set where it left them out.
void KeepAttributes(const wchar_t* pszTarget, const FileIdentity& old, CString& strWarning)
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const std::wstring target = SystemPath(pszTarget);
    const DWORD nNow = ::GetFileAttributesW(target.c_str());
    if (nNow == INVALID_FILE_ATTRIBUTES || (nNow & kKept) == (old.nMode & kKept)) return;
    DWORD nWanted = (nNow & ~kKept & ~FILE_ATTRIBUTE_NORMAL) | (old.nMode & kKept);
    if (nWanted == 0) nWanted = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileAttributesW(target.c_str(), nWanted))
        AddWarning(strWarning, Describe(L"the file's attributes were not kept:", pszTarget, LastError()));
}

// Whether another program holds the file open without sharing its
// deletion, which ReplaceFileW may report as ERROR_UNABLE_TO_REMOVE_REPLACED
// rather than as the sharing violation it is.
bool HeldWithoutSharing(const wchar_t* pszTarget)
{
    HANDLE hFile = ::CreateFileW(SystemPath(pszTarget).c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(hFile);
    return false;
}

CString SharingViolation(const wchar_t* pszTarget)
{
    return CString(L"cannot replace ") + pszTarget + L": another program has the file open (sharing violation)";
}

// ReplaceFileW moved the old file to the backup name but could not move
// the new text into place: the old file goes back, or both are named.
void PutOldTextBack(const wchar_t* pszTarget, const wchar_t* pszNewText, const CString& strBackup, DWORD nError,
                    ReplaceResult& result)
{
    if (::MoveFileExW(SystemPath(strBackup).c_str(), SystemPath(pszTarget).c_str(), MOVEFILE_WRITE_THROUGH)) {
        result.strFailure = Describe(L"cannot replace", pszTarget, static_cast<int>(nError)) +
                            L"; its old text was put back";
        return;
    }
    result.bKeepNewText = true;
    result.strFailure = CString(L"the topic is missing (") + ErrorText(static_cast<int>(nError)) +
                        L"); its old text is in " + strBackup + L", its new text in " + pszNewText;
}

} // namespace

void detail::MarkNewVersion(CFile& target, const FileIdentity& before) noexcept
{
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandleEx(target.GetHandle(), FileBasicInfo, &basic, sizeof basic) ||
        UnixNanoseconds(basic.LastWriteTime.QuadPart) != before.nModifiedNs)
        return;
    ULARGE_INTEGER nTicks;
    nTicks.QuadPart = static_cast<ULONGLONG>(basic.LastWriteTime.QuadPart) + 1;
    FILETIME written{nTicks.LowPart, nTicks.HighPart};
    ::SetFileTime(target.GetHandle(), nullptr, nullptr, &written);
}

int LastError() noexcept
{
    return static_cast<int>(::GetLastError());
}

bool FileIdentity::IsReadOnly() const noexcept
{
    return (nMode & FILE_ATTRIBUTE_READONLY) != 0;
}

int IdentityOfPath(const wchar_t* pszPath, FileIdentity& identity)
{
    UniqueHandle file = OpenToExamine(pszPath);
    if (!file.IsValid()) return static_cast<int>(::GetLastError());
    return IdentityOfHandle(file.Get(), identity);
}

int IdentityOfFile(const CFile& file, FileIdentity& identity)
{
    return IdentityOfHandle(file.GetHandle(), identity);
}

CString FolderOf(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    const int nSeparator = LastSeparator(strPath);
    const bool bDrive = strPath.GetLength() >= 2 && strPath.GetAt(1) == L':';
    if (nSeparator < 0) return bDrive ? strPath.Left(2) : CString(L".");
    // The root keeps its separator: "\" or "C:\".
    if (nSeparator == 0 || (nSeparator == 2 && bDrive)) return strPath.Left(nSeparator + 1);
    return strPath.Left(nSeparator);
}

bool NamesFolder(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    return LastSeparator(strPath) >= 0 || (strPath.GetLength() >= 2 && strPath.GetAt(1) == L':');
}

CString ResolvedPath(const wchar_t* pszPath)
{
    {
        UniqueHandle file = OpenToExamine(pszPath);
        if (file.IsValid()) {
            const std::wstring final = FinalPath(file.Get());
            if (!final.empty()) return CString(final.c_str());
        }
    }
    const CString strPath(pszPath);
    const int nSeparator = LastSeparator(strPath);
    const CString strName = nSeparator < 0 ? strPath : strPath.Mid(nSeparator + 1);
    UniqueHandle folder = OpenToExamine(FolderOf(pszPath));
    if (!folder.IsValid()) return strPath;
    std::wstring resolved = FinalPath(folder.Get());
    if (resolved.empty()) return strPath;
    if (!IsSeparator(resolved.back())) resolved += L'\\';
    return CString(resolved.c_str()) + strName;
}

int LockFile(const CFile& file, bool bExclusive, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    auto pause = std::chrono::microseconds(500);
    const DWORD nFlags = LOCKFILE_FAIL_IMMEDIATELY | (bExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    for (;;) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(kLockOffset);
        at.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
        if (::LockFileEx(file.GetHandle(), nFlags, 0, 1, 0, &at)) return 0;
        const DWORD nError = ::GetLastError();
        if (nError == ERROR_NOT_SUPPORTED || nError == ERROR_INVALID_FUNCTION) return 0;
        if (nError != ERROR_LOCK_VIOLATION) return static_cast<int>(nError);
        if (std::chrono::steady_clock::now() >= deadline) return kLockTimedOut;
        std::this_thread::sleep_for(pause);
        pause = (std::min)(pause * 2, std::chrono::microseconds(20000));
    }
}

CString UniqueFileName(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int nNumber)
{
    CString strName(pszFolder);
    // The folder's own separator, '\' when it shows none.
    if (!strName.IsEmpty() && !IsSeparator(strName.GetAt(strName.GetLength() - 1)))
        strName += strName.Find(L'\\') < 0 && strName.Find(L'/') >= 0 ? L'/' : L'\\';
    CString strFile;
    strFile.Format(L"%.3s%04X.tmp", pszPrefix ? pszPrefix : L"", nNumber & 0xFFFF);
    return strName + strFile;
}

CString CreateUniqueFile(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int /*nMode*/, int* pnError)
{
    // Start from a number that differs between processes, threads and calls,
    // then walk the 65535 candidates until a new file can be created. The
    // new file takes the folder's inherited security; a replacement gives it
    // the old file's. A name whose file is being deleted refuses access: a
    // few of those count as taken, more mean the folder refuses us.
    const auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      static_cast<unsigned>(::GetCurrentProcessId() * 2654435761u) ^
                      static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id()));
    DWORD nError = ERROR_FILE_EXISTS;
    int nDenied = 0;
    for (unsigned attempt = 0; attempt < 0xFFFF; ++attempt) {
        const CString strName = UniqueFileName(pszFolder, pszPrefix, (seed + attempt) % 0xFFFF + 1);
        HANDLE hFile = ::CreateFileW(SystemPath(strName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            ::CloseHandle(hFile);
            return strName;
        }
        nError = ::GetLastError();
        if (nError == ERROR_ACCESS_DENIED && ++nDenied < 8) continue;
        if (nError != ERROR_FILE_EXISTS && nError != ERROR_ALREADY_EXISTS) break;
    }
    if (pnError) *pnError = static_cast<int>(nError);
    return CString();
}

// ReplaceFileW swaps the new text in under the old file's name and gives
// it the old file's attributes, ACL, alternate streams, owner and creation
// time. Our own handle on the old file is open and locked throughout, which
// works only because every handle the library opens on a topic shares
// deletion (FILE_SHARE_DELETE): under Wine, one handle without it makes
// ReplaceFileW fail with a sharing violation, with or without a backup
// name, and our byte-range lock does not hinder it. On Windows the old file
// is moved to a backup name first (renaming a file all of whose handles
// share deletion is allowed; replacing it under them is not), and the new
// text then takes the free name. Documents waiting for the
// lock hold the old file, find that the path names another one once they
// have it, and open that. The backup is deleted afterwards: its name goes
// when the last handle on it closes. A program that holds the old file
// without sharing deletion makes this fail with a sharing violation, which
// is reported as such. A folder where this user may write the file but not
// replace it gets the save in place.
ReplaceResult ReplaceWithNewText(CFile& target, const FileIdentity& identity, const wchar_t* pszTarget,
                                 const wchar_t* pszNewText)
{
    if (identity.nLinks > 1) return ReplaceInPlace(target, identity, pszTarget, pszNewText, L"it has several links");
    if (StepFails(SaveStep::ownerCopy))
        return ReplaceInPlace(target, identity, pszTarget, pszNewText,
                              L"a new file could not be given its owner, group, ACL or attributes");

    ReplaceResult result;
    const CString strBackup = detail::CreateBackupBeside(pszTarget, result);
    if (strBackup.IsEmpty()) return result;
    const std::wstring backup = SystemPath(strBackup);
    CopyAccessControl(target, pszNewText);
    DWORD nError = ERROR_IO_DEVICE;
    if (!StepFails(SaveStep::rename)) {
        nError = ::ReplaceFileW(SystemPath(pszTarget).c_str(), SystemPath(pszNewText).c_str(), backup.c_str(), 0,
                                nullptr, nullptr)
                     ? 0
                     : ::GetLastError();
    }
    if (nError == 0) {
        result.bReplaced = result.bNewTextMoved = true;
        KeepAttributes(pszTarget, identity, result.strWarning);
        if (!::DeleteFileW(backup.c_str()))
            AddWarning(result.strWarning, Describe(L"the old text is left in", strBackup, LastError()));
        FlushFolderOf(pszTarget, result.strWarning);
        return result;
    }
    if (nError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        PutOldTextBack(pszTarget, pszNewText, strBackup, nError, result);
        return result;
    }
    ::DeleteFileW(backup.c_str());
    if (nError == ERROR_SHARING_VIOLATION || HeldWithoutSharing(pszTarget)) {
        result.strFailure = SharingViolation(pszTarget);
        return result;
    }
    if (nError == ERROR_ACCESS_DENIED || nError == ERROR_UNABLE_TO_REMOVE_REPLACED)
        return ReplaceInPlace(target, identity, pszTarget, pszNewText, L"the file could not be replaced by a new one");
    result.strFailure = Describe(L"cannot replace", pszTarget, static_cast<int>(nError));
    return result;
}

ReplaceResult MoveNewFileInto(const wchar_t* pszNewText, const wchar_t* pszTarget)
{
    // Without MOVEFILE_REPLACE_EXISTING: a file that appeared there
    // meanwhile is never replaced. Write-through returns once the move is
    // on disk.
    DWORD nError = ERROR_IO_DEVICE;
    if (!StepFails(SaveStep::rename)) {
        nError = ::MoveFileExW(SystemPath(pszNewText).c_str(), SystemPath(pszTarget).c_str(), MOVEFILE_WRITE_THROUGH)
                     ? 0
                     : ::GetLastError();
    }
    return MoveOutcome(static_cast<int>(nError), L"cannot create", pszTarget);
}

// NTFS journals its folders: a rename is on disk once the journal is, and
// Windows offers no flush of a folder's entries to an ordinary user (a
// folder handle can't be flushed without write access to the volume).
int FlushFolder(const wchar_t* /*pszFolder*/)
{
    if (StepFails(SaveStep::folderFlush)) return kIoError;
    return 0;
}

CString ErrorText(int nError)
{
    wchar_t* pszText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(nError), 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::wstring text(pszText ? pszText : L"", nLength);
    if (pszText) ::LocalFree(pszText);
    // The system ends its sentences with a full stop and a line break; the
    // library's messages go on after the text.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) text = L"error " + std::to_wstring(nError);
    return CString(text.c_str());
}

} // namespace htmlfile_platform
