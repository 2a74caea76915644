#include <htmlfile/platform/windows/Paths.h>

#include <windows.h>

namespace htmlfile_platform::windows {
namespace {

const std::wstring kLongPrefix = L"\\\\?\\";
const std::wstring kLongUncPrefix = L"\\\\?\\UNC\\";

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD nNeeded = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    for (int nAttempt = 0; nNeeded > 0 && nAttempt < 3; ++nAttempt) {
        std::wstring full(nNeeded, L'\0');
        const DWORD nGot = ::GetFullPathNameW(path.c_str(), nNeeded, full.data(), nullptr);
        if (nGot == 0) break;
        if (nGot < nNeeded) {
            full.resize(nGot);
            return full;
        }
        nNeeded = nGot; // the current folder changed meanwhile
    }
    return path;
}

} // namespace

std::wstring SystemPath(const wchar_t* pszPath)
{
    std::wstring path(pszPath ? pszPath : L"");
    if (path.size() < MAX_PATH || StartsWith(path, kLongPrefix)) return path;
    std::wstring full = FullPath(path);
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    if (StartsWith(full, kLongPrefix)) return full;
    if (StartsWith(full, L"\\\\")) return kLongUncPrefix + full.substr(2);
    return kLongPrefix + full;
}

std::wstring WithoutLongPrefix(const std::wstring& path)
{
    if (StartsWith(path, kLongUncPrefix)) {
        std::wstring shortPath = L"\\\\" + path.substr(kLongUncPrefix.size());
        return shortPath.size() < MAX_PATH ? shortPath : path;
    }
    if (StartsWith(path, kLongPrefix) && path.size() - kLongPrefix.size() < MAX_PATH)
        return path.substr(kLongPrefix.size());
    return path;
}

} // namespace htmlfile_platform::windows
