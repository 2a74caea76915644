#include <htmlfile/platform/TempFile.h>
#include <htmlfile/platform/String.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <unistd.h>

DWORD GetTempPathW(DWORD nBufferLength, wchar_t* pszBuffer)
{
    const char* env = std::getenv("TMPDIR");
    std::wstring dir = env && *env ? Utf8ToWide(env) : std::wstring(L"/tmp");
    if (dir.back() != L'/') dir += L'/';
    if (!pszBuffer || nBufferLength <= dir.size()) return static_cast<DWORD>(dir.size() + 1);
    std::wmemcpy(pszBuffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

namespace {

std::wstring BuildName(const wchar_t* dir, const wchar_t* prefix, UINT number)
{
    std::wstring name = dir ? dir : L"";
    if (!name.empty() && name.back() != L'/' && name.back() != L'\\') name += L'/';
    if (prefix) name.append(prefix, std::min<size_t>(3, std::wcslen(prefix)));
    wchar_t hex[8];
    std::swprintf(hex, 8, L"%04X", number & 0xFFFF);
    name += hex;
    name += L".tmp";
    return name;
}

bool CopyOut(const std::wstring& name, wchar_t* out)
{
    if (name.size() >= MAX_PATH * 16) return false;
    std::wmemcpy(out, name.c_str(), name.size() + 1);
    return true;
}

} // namespace

UINT GetTempFileNameW(const wchar_t* pszPathName, const wchar_t* pszPrefixString, UINT uUnique,
                      wchar_t* pszTempFileName)
{
    if (!pszPathName || !pszTempFileName) return 0;
    if (uUnique != 0) {
        std::wstring name = BuildName(pszPathName, pszPrefixString, uUnique);
        return name.size() < MAX_PATH && CopyOut(name, pszTempFileName) ? (uUnique & 0xFFFF) : 0;
    }
    // Start from a number that differs between processes, threads and calls,
    // then walk the 65535 candidates until a new file can be created.
    auto seed = static_cast<UINT>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                static_cast<UINT>(::getpid() * 2654435761u) ^
                static_cast<UINT>(std::hash<std::thread::id>()(std::this_thread::get_id()));
    for (UINT attempt = 0; attempt < 0xFFFF; ++attempt) {
        UINT number = (seed + attempt) % 0xFFFF + 1;
        std::wstring name = BuildName(pszPathName, pszPrefixString, number);
        if (name.size() >= MAX_PATH) return 0;
        int fd = ::open(WideToUtf8(name.c_str()).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            CopyOut(name, pszTempFileName);
            return number;
        }
        if (errno != EEXIST) return 0;
    }
    return 0;
}
