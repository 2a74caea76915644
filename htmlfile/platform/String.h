// CString: a wide-character string value with the interface of the string
// class the document API was designed around. Its units are wchar_t's: UTF-32
// where wchar_t has 32 bits (Linux), UTF-16 where it has 16 (Windows), so a
// character above U+FFFF is one unit there and a surrogate pair here; where
// a length must be measured in UTF-16 units on both, use Utf16Length().
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

#include <cstdarg>
#include <string>

class HTMLFILE_API CString {
public:
    CString() = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}
    CString(const wchar_t* pch, int nLength) : m_str(pch ? pch : L"", pch && nLength > 0 ? nLength : 0) {}
    explicit CString(wchar_t ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(std::wstring str) : m_str(std::move(str)) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* psz) { m_str.assign(psz ? psz : L""); return *this; }
    CString& operator=(wchar_t ch) { m_str.assign(1, ch); return *this; }

    operator const wchar_t*() const noexcept { return m_str.c_str(); }
    const wchar_t* GetString() const noexcept { return m_str.c_str(); }
    const std::wstring& str() const noexcept { return m_str; }

    int GetLength() const noexcept { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const noexcept { return m_str.empty(); }
    void Empty() noexcept { m_str.clear(); }
    wchar_t GetAt(int i) const { return m_str.at(static_cast<size_t>(i)); }

    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const wchar_t* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(wchar_t ch) { m_str += ch; return *this; }
    void Append(const wchar_t* pch, int nLength) { if (pch && nLength > 0) m_str.append(pch, nLength); }

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;
    int Find(wchar_t ch, int nStart = 0) const;
    int Find(const wchar_t* pszSub, int nStart = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString& MakeLower();
    CString& MakeUpper();
    int Compare(const wchar_t* psz) const;
    int CompareNoCase(const wchar_t* psz) const;

    // printf-style formatting with the wide-string meaning of the
    // conversions: %s takes a const wchar_t*, %c a wchar_t; %d, %i, %u, %x,
    // %X, %o with the usual flags, width, precision and the h/l/ll sizes.
    void Format(const wchar_t* pszFormat, ...);
    void FormatV(const wchar_t* pszFormat, va_list args);

    // Loads a string of the library's string table; FALSE (and empty) when
    // the id is unknown. Inline because <windows.h> renames LoadString to
    // LoadStringA or LoadStringW after the caller's UNICODE setting: each
    // program gets its own spelling, which calls the one exported function.
    BOOL LoadString(UINT nID) { return LoadTableString(nID); }
    BOOL LoadTableString(UINT nID);

    // Length in UTF-16 code units (a character above U+FFFF counts twice).
    int Utf16Length() const noexcept;

private:
    std::wstring m_str;
};

inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, const wchar_t* b) { return a.str() == (b ? b : L""); }
inline bool operator==(const wchar_t* a, const CString& b) { return b == a; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
inline bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

inline CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
inline CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }

// Number of UTF-16 code units needed for the NUL-terminated string.
HTMLFILE_API int Utf16Length(const wchar_t* psz) noexcept;

// UTF-8 <-> wide conversions for paths and messages (not for file text,
// which goes through the text file class). Invalid UTF-8 decodes each bad
// byte as U+FFFD. Where wchar_t has 16 bits, a character above U+FFFF is a
// surrogate pair; a lone surrogate has no UTF-8 form and becomes U+FFFD.
HTMLFILE_API std::string WideToUtf8(const wchar_t* psz);
HTMLFILE_API std::string WideToUtf8(const wchar_t* pch, size_t n);
HTMLFILE_API std::wstring Utf8ToWide(const char* psz);
HTMLFILE_API std::wstring Utf8ToWide(const char* pch, size_t n);

// Lossless conversions for byte strings that are mostly UTF-8, such as file
// names on POSIX: each byte b that is not part of well-formed UTF-8 (always
// 0x80 or above) becomes the lone surrogate U+DC00 + b, one of U+DC80 to
// U+DCFF, as Python's surrogateescape has it, and goes back as that byte.
// Every byte string survives BytesToWide then WideToBytes unchanged.
HTMLFILE_API std::wstring BytesToWide(const char* psz);
HTMLFILE_API std::wstring BytesToWide(const char* pch, size_t n);
HTMLFILE_API std::string WideToBytes(const wchar_t* psz);
