#include <htmlfile/platform/FileSystem.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/TempFile.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

DWORD GetTempPathW(DWORD nBufferLength, wchar_t* pszBuffer)
{
    const char* env = std::getenv("TMPDIR");
    std::wstring dir = env && *env ? BytesToWide(env) : std::wstring(L"/tmp");
    if (dir.back() != L'/') dir += L'/';
    if (!pszBuffer || nBufferLength <= dir.size()) return static_cast<DWORD>(dir.size() + 1);
    std::wmemcpy(pszBuffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

UINT GetTempFileNameW(const wchar_t* pszPathName, const wchar_t* pszPrefixString, UINT uUnique,
                      wchar_t* pszTempFileName)
{
    if (!pszPathName || !pszTempFileName) return 0;
    CString strName;
    if (uUnique != 0) {
        strName = htmlfile_platform::UniqueFileName(pszPathName, pszPrefixString, uUnique);
    } else {
        int nError = 0;
        strName = htmlfile_platform::CreateUniqueFile(pszPathName, pszPrefixString ? pszPrefixString : L"",
                                                      htmlfile_platform::kNewFile, &nError);
    }
    if (strName.IsEmpty() || strName.GetLength() >= MAX_PATH) {
        if (uUnique == 0 && !strName.IsEmpty()) std::remove(WideToBytes(strName).c_str());
        return 0;
    }
    std::wmemcpy(pszTempFileName, strName.GetString(), static_cast<size_t>(strName.GetLength()) + 1);
    if (uUnique != 0) return uUnique & 0xFFFF;
    // The number is the four hex digits before ".tmp".
    return static_cast<UINT>(std::wcstoul(strName.Right(8).Left(4).GetString(), nullptr, 16));
}
