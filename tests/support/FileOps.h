// File-system steps the tests take on both systems (POSIX and Windows), with
// UTF-8 paths as TempDir gives them.
#pragma once

#include <set>
#include <string>

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The names in a folder, without those that begin with '.'.
std::set<std::string> FilesIn(const std::string& strFolder);

// Which file a path names (the inode; on Windows the file index); 0 when
// the path can't be examined.
unsigned long long FileIndexOf(const std::string& strPath);

// A second name for an existing file; false when the file system has none.
bool MakeHardLink(const std::string& strExisting, const std::string& strLink);

// A symbolic link at strLink to strTarget (relative to the link's folder);
// false when this user or file system can't make one.
bool MakeSymbolicLink(const std::string& strTarget, const std::string& strLink);
bool IsSymbolicLink(const std::string& strPath);

// Takes away every write permission (POSIX) or sets the read-only
// attribute (Windows), or gives them back.
void SetReadOnly(const std::string& strPath, bool bReadOnly);

// Whether permissions bind this process (not root).
bool PermissionsApply();

// Sets (or with null removes) a variable of this process's environment.
void SetEnvironment(const char* pszName, const char* pszValue);
