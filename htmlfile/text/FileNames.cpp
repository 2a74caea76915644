#include <htmlfile/text/FileNames.h>
#include <htmlfile/text/QLUtils.h>

#include <string>
#include <vector>

namespace {

// A path split into its root and its folder/file names, with "." and ".."
// already resolved.
struct ParsedPath {
    std::wstring root;                 // "", "/", "//" (a network share), "C:" or "C:/"
    std::vector<std::wstring> names;
    bool bNamesFolder = false;         // ends with a separator, "." or "..", or is a bare root
};

bool IsAsciiLetter(wchar_t ch) noexcept
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

bool IsSchemeCharacter(wchar_t ch) noexcept
{
    return IsAsciiLetter(ch) || (ch >= L'0' && ch <= L'9') || ch == L'+' || ch == L'-' || ch == L'.';
}

// "http:", "mk:", "ms-its:"... A single letter before the colon is a drive.
bool StartsWithScheme(const std::wstring& name)
{
    const size_t colon = name.find(L':');
    if (colon == std::wstring::npos || colon < 2 || !IsAsciiLetter(name[0])) return false;
    for (size_t i = 1; i < colon; ++i)
        if (!IsSchemeCharacter(name[i])) return false;
    return true;
}

bool HasDriveLetter(const std::wstring& path)
{
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':';
}

// Where a "#fragment" or "?query" begins; the end when there is none.
size_t SuffixStart(const std::wstring& name)
{
    const size_t at = name.find_first_of(L"#?");
    return at == std::wstring::npos ? name.size() : at;
}

// URLs, references within the document itself and empty names are not
// file names.
bool IsFileName(const std::wstring& name)
{
    return SuffixStart(name) != 0 && !StartsWithScheme(name);
}

std::wstring WithForwardSlashes(std::wstring path)
{
    for (wchar_t& ch : path)
        if (ch == L'\\') ch = L'/';
    return path;
}

std::wstring RootOf(const std::wstring& path)
{
    if (HasDriveLetter(path)) return path.substr(0, path.size() > 2 && path[2] == L'/' ? 3 : 2);
    if (path.compare(0, 2, L"//") == 0) return L"//";
    if (path.compare(0, 1, L"/") == 0) return L"/";
    return std::wstring();
}

// ".." leaves the last folder. At the root there is nothing to leave; a
// relative path keeps the ".." it can't resolve.
void ClimbUp(ParsedPath& parsed)
{
    if (!parsed.names.empty() && parsed.names.back() != L"..") parsed.names.pop_back();
    else if (parsed.root.empty()) parsed.names.push_back(L"..");
}

// Splits a path with '/' separators, resolving "." and "..".
ParsedPath Parse(const std::wstring& path)
{
    ParsedPath parsed;
    parsed.root = RootOf(path);
    parsed.bNamesFolder = true;
    size_t start = parsed.root.size();
    while (start < path.size()) {
        size_t end = path.find(L'/', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring name = path.substr(start, end - start);
        parsed.bNamesFolder = end < path.size() || name == L"." || name == L"..";
        if (name == L"..") ClimbUp(parsed);
        else if (!name.empty() && name != L".") parsed.names.push_back(name);
        start = end + 1;
    }
    return parsed;
}

std::wstring Format(const ParsedPath& parsed)
{
    std::wstring out = parsed.root;
    for (size_t i = 0; i < parsed.names.size(); ++i) {
        if (i > 0) out += L'/';
        out += parsed.names[i];
    }
    if (parsed.bNamesFolder && !parsed.names.empty()) out += L'/';
    if (out.empty()) out = L"./"; // a relative path back to where it started
    return out;
}

// The document's folder with a closing separator ("" for a bare file name).
std::wstring FolderOf(const CString& strDocPath)
{
    const std::wstring path = WithForwardSlashes(strDocPath.str());
    const size_t slash = path.rfind(L'/');
    if (slash != std::wstring::npos) return path.substr(0, slash + 1);
    return HasDriveLetter(path) ? path.substr(0, 2) : std::wstring();
}

// A drive letter means a Windows file system, which ignores case.
bool SameName(const std::wstring& a, const std::wstring& b, bool bIgnoreCase)
{
    return bIgnoreCase ? QLUtils::CompareNoCase(a.c_str(), b.c_str()) == 0 : a == b;
}

size_t CommonFolderCount(const ParsedPath& folder, const ParsedPath& target)
{
    const bool bIgnoreCase = HasDriveLetter(folder.root);
    const size_t nTargetFolders = target.names.size() - (target.bNamesFolder || target.names.empty() ? 0 : 1);
    size_t count = 0;
    while (count < folder.names.size() && count < nTargetFolders &&
           SameName(folder.names[count], target.names[count], bIgnoreCase))
        ++count;
    return count;
}

} // namespace

BOOL AbsoluteFileNameFromFileName(const CString& strDocPath, const CString& strFileName, CString* pResult)
{
    if (!pResult) return FALSE;
    const std::wstring& name = strFileName.str();
    if (!IsFileName(name)) {
        *pResult = strFileName;
        return FALSE;
    }
    const size_t suffix = SuffixStart(name);
    std::wstring path = WithForwardSlashes(name.substr(0, suffix));
    if (RootOf(path).empty()) path = FolderOf(strDocPath) + path;
    *pResult = CString(Format(Parse(path)) + name.substr(suffix));
    return TRUE;
}

BOOL RelativeFileNameFromFileName(const CString& strDocPath, const CString& strFileName, CString* pResult,
                                  int nAllowParent, int nForwardSlash, int nDotPrefix)
{
    if (!pResult) return FALSE;
    const std::wstring& name = strFileName.str();
    if (!IsFileName(name)) return FALSE;
    const size_t suffix = SuffixStart(name);
    const ParsedPath target = Parse(WithForwardSlashes(name.substr(0, suffix)));
    const ParsedPath folder = Parse(FolderOf(strDocPath));
    if (target.root.empty() || folder.root.empty()) return FALSE;
    if (!SameName(folder.root, target.root, true)) return FALSE;

    const size_t common = CommonFolderCount(folder, target);
    const size_t nParents = folder.names.size() - common;
    if (nParents > 0 && !nAllowParent) return FALSE;

    const wchar_t separator = nForwardSlash ? L'/' : L'\\';
    std::wstring relative;
    for (size_t i = 0; i < nParents; ++i) relative += std::wstring(L"..") + separator;
    for (size_t i = common; i < target.names.size(); ++i) {
        relative += target.names[i];
        if (i + 1 < target.names.size() || target.bNamesFolder) relative += separator;
    }
    if (nParents == 0 && (nDotPrefix || relative.empty())) relative = std::wstring(L".") + separator + relative;
    *pResult = CString(relative + name.substr(suffix));
    return TRUE;
}
