#include "support/FileOps.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

std::set<std::string> FilesIn(const std::string& strFolder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path(strFolder), error)) {
        std::string name = entry.path().filename().u8string();
        if (!name.empty() && name[0] != '.') names.insert(std::move(name));
    }
    return names;
}

unsigned long long FileIndexOf(const std::string& strPath)
{
#ifdef _WIN32
    HANDLE hFile = ::CreateFileW(fs::u8path(strPath).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool bKnown = ::GetFileInformationByHandle(hFile, &info);
    ::CloseHandle(hFile);
    return bKnown ? (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
#else
    struct stat st;
    return ::stat(strPath.c_str(), &st) == 0 ? static_cast<unsigned long long>(st.st_ino) : 0;
#endif
}

bool MakeHardLink(const std::string& strExisting, const std::string& strLink)
{
    std::error_code error;
    fs::create_hard_link(fs::u8path(strExisting), fs::u8path(strLink), error);
    return !error;
}

bool MakeSymbolicLink(const std::string& strTarget, const std::string& strLink)
{
#ifdef _WIN32
    // libstdc++ makes no symbolic links on Windows; developer mode lets a
    // user without the privilege make them.
    constexpr DWORD kUnprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    return ::CreateSymbolicLinkW(fs::u8path(strLink).c_str(), fs::u8path(strTarget).make_preferred().c_str(),
                                 kUnprivileged) != 0;
#else
    return ::symlink(strTarget.c_str(), strLink.c_str()) == 0;
#endif
}

bool IsSymbolicLink(const std::string& strPath)
{
#ifdef _WIN32
    const DWORD nAttributes = ::GetFileAttributesW(fs::u8path(strPath).c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    struct stat st;
    return ::lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
#endif
}

void SetReadOnly(const std::string& strPath, bool bReadOnly)
{
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(fs::u8path(strPath), bReadOnly ? kWrite : fs::perms::owner_write,
                    bReadOnly ? fs::perm_options::remove : fs::perm_options::add);
}

bool PermissionsApply()
{
#ifdef _WIN32
    return true;
#else
    return ::geteuid() != 0;
#endif
}

void SetEnvironment(const char* pszName, const char* pszValue)
{
#ifdef _WIN32
    ::_putenv_s(pszName, pszValue ? pszValue : "");
#else
    if (pszValue) ::setenv(pszName, pszValue, 1);
    else ::unsetenv(pszName);
#endif
}
