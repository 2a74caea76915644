// The save in place through the locked handle, and the other steps of a
// replacement that are the same on every system over a few of its calls.
// Internal to the platform layer.
#pragma once

#include <htmlfile/platform/FileSystem.h>

namespace htmlfile_platform::detail {

// Overwrites the target through its locked handle: the new text is already
// on disk beside it; the old text goes to a backup first, so that whatever
// fails, one complete version can be named. pszWhy says why the save could
// not replace the file by a new one.
ReplaceResult ReplaceInPlace(CFile& target, const FileIdentity& identity, const wchar_t* pszTarget,
                             const wchar_t* pszNewText, const wchar_t* pszWhy);

// A new, private file beside the target to hold its old text while it is
// replaced; empty, with the cause in result.strFailure, when none can be made.
CString CreateBackupBeside(const wchar_t* pszTarget, ReplaceResult& result);

// The outcome of moving the new text to pszTarget: with nError, a failure
// "<pszFailure> <target>: <cause>"; without, a replacement, with the folder
// flushed (a folder that can't be flushed is a warning: the save stands).
ReplaceResult MoveOutcome(int nError, const wchar_t* pszFailure, const wchar_t* pszTarget);
void FlushFolderOf(const wchar_t* pszTarget, CString& strWarning);

// Adds a warning to those already given, "; " between them.
void AddWarning(CString& strWarning, const CString& strMore);

// "<what> <path>: <the system's text for nError>".
CString Describe(const wchar_t* pszWhat, const wchar_t* pszPath, int nError);

// Per system: makes the target's modification time differ from the one in
// `before`, which a write within one tick of the clock may have kept.
void MarkNewVersion(CFile& target, const FileIdentity& before) noexcept;

} // namespace htmlfile_platform::detail
