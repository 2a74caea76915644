// The file system as a document's open and save need it: the identity of a
// file's version, locks on open files, new files with unique names, and the
// replacement of a file by its new text that keeps its links, owner,
// permissions and attributes. The system calls live behind this header.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/File.h>
#include <htmlfile/platform/String.h>

#ifndef _WIN32
#include <cerrno>
#endif

namespace htmlfile_platform {

// Error numbers are the system's: Win32 error codes on Windows, errno
// values elsewhere. These name the few the library itself reports.
#ifdef _WIN32
constexpr int kLockTimedOut = ERROR_TIMEOUT;
constexpr int kIoError = ERROR_IO_DEVICE;
#else
constexpr int kLockTimedOut = ETIMEDOUT;
constexpr int kIoError = EIO;
#endif

// The calling thread's last system error (GetLastError, errno).
HTMLFILE_API int LastError() noexcept;

// One version of one file: which file (device and inode; on Windows the
// volume serial number and file index) and what the system says of its
// content (size, modification and change times to the nanosecond). Any
// write, truncation, replacement, chmod or new link gives a new version.
struct HTMLFILE_API FileIdentity {
    unsigned long long nDevice = 0;
    unsigned long long nInode = 0;
    unsigned long long nSize = 0;
    long long nModifiedNs = 0;
    long long nChangedNs = 0;
    unsigned long long nLinks = 0;
    unsigned int nMode = 0; // permission bits and file type, as stat gives them; Windows: the attributes
    unsigned int nOwner = 0;
    unsigned int nGroup = 0;

    bool IsSameFile(const FileIdentity& other) const noexcept
    {
        return nDevice == other.nDevice && nInode == other.nInode;
    }
    bool IsSameVersion(const FileIdentity& other) const noexcept
    {
        return IsSameFile(other) && nSize == other.nSize && nModifiedNs == other.nModifiedNs &&
               nChangedNs == other.nChangedNs;
    }
    // Nobody may write it: the permission bits give no write access (the
    // read-only attribute on Windows).
    bool IsReadOnly() const noexcept;
};

// Each returns 0 or the system's error number. A path is followed through
// symbolic links, as opening it would.
HTMLFILE_API int IdentityOfPath(const wchar_t* pszPath, FileIdentity& identity);
HTMLFILE_API int IdentityOfFile(const CFile& file, FileIdentity& identity);

// The file a path names once every symbolic link in it is followed, as an
// absolute path. For a path that names no file yet, its folder is resolved
// and its last name kept; a path whose folder can't be resolved is returned
// as given.
HTMLFILE_API CString ResolvedPath(const wchar_t* pszPath);

// The folder of a path, for files placed beside it: the text before its last
// separator ("/" for a path in the root, "." for a bare name). On Windows
// both '\' and '/' separate, and the root of a drive keeps its separator
// (C:\x gives C:\ ).
HTMLFILE_API CString FolderOf(const wchar_t* pszPath);
// Whether the path names a folder at all (holds a separator; on Windows
// also a drive: "C:t.htm").
HTMLFILE_API bool NamesFolder(const wchar_t* pszPath);

// Waits up to nTimeoutMs for a shared or exclusive lock on the open file.
// The lock belongs to the open file, not to the process: another open of
// the same file, in this process or another, waits for it, and it ends when
// every handle of this open file is closed. Returns 0, kLockTimedOut, or
// another error number; a file system without such locks counts as locked.
// On Windows the lock covers a byte far beyond the end of any topic: locks
// there are mandatory, and other programs must still read the text.
HTMLFILE_API int LockFile(const CFile& file, bool bExclusive, int nTimeoutMs);
// How long a document waits for another program's lock before it gives up.
constexpr int kLockTimeoutMs = 10000;

// Creates a new, empty file <folder>/<prefix><4 hex digits>.tmp (prefix cut
// to three characters) that did not exist before, with the permission bits
// nMode (less the process's mask), and returns its path; empty, with
// *pnError set, on failure. A file that will hold a copy of another file's
// text is made kPrivateFile until it is given that file's permissions.
// The name <folder>/<prefix, cut to three characters><4 hex digits>.tmp.
HTMLFILE_API CString UniqueFileName(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int nNumber);
constexpr unsigned int kPrivateFile = 0600;
constexpr unsigned int kNewFile = 0666;
HTMLFILE_API CString CreateUniqueFile(const wchar_t* pszFolder, const wchar_t* pszPrefix, unsigned int nMode,
                                      int* pnError);

// What a replacement did. A failure names its cause; a replacement that
// succeeded may still carry a warning (metadata that could not be kept, a
// folder that could not be flushed).
struct ReplaceResult {
    bool bReplaced = false;
    // The new text's file is gone (renamed into place); otherwise the caller
    // removes it, unless bKeepNewText says it holds the only new copy.
    bool bNewTextMoved = false;
    bool bKeepNewText = false;
    CString strFailure;
    CString strWarning;
};

// Puts the text of pszNewText (a closed file beside the target, flushed to
// disk) in place of the target, which the caller holds open and locked in
// `target`, with `identity` its current version. A target with one link
// whose owner, group, permissions, ACL and extended attributes the new file
// can be given is replaced by renaming the new file over it (ReplaceFileW on
// Windows, which carries them over); otherwise it is overwritten in place
// through `target`, with a backup of its old text beside it until that is
// done. A target another program holds open without sharing it (Windows)
// fails with a sharing violation, named as such.
HTMLFILE_API ReplaceResult ReplaceWithNewText(CFile& target, const FileIdentity& identity, const wchar_t* pszTarget,
                                 const wchar_t* pszNewText);

// Moves pszNewText to pszTarget, a path where no file is; fails rather than
// replace a file that appeared there meanwhile.
HTMLFILE_API ReplaceResult MoveNewFileInto(const wchar_t* pszNewText, const wchar_t* pszTarget);

// Flushes a folder's entries to disk; 0 or the error number. Nothing to do
// on Windows (see there).
HTMLFILE_API int FlushFolder(const wchar_t* pszFolder);

// The system's text for an error number.
HTMLFILE_API CString ErrorText(int nError);

} // namespace htmlfile_platform
