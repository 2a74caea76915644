// CString: a wide-character string value with the interface of the string
// class the document API was designed around. wchar_t is 32 bits on Linux;
// where a length must be measured in UTF-16 units, use Utf16Length().
#pragma once

#include <htmlfile/platform/Types.h>

#include <cstdarg>
#include <cwchar>
#include <string>
#include <string_view>

class CString {
public:
    CString() noexcept {}
    CString(const wchar_t* psz) { if (psz) Assign(psz, std::wcslen(psz)); }
    CString(const wchar_t* pch, int nLength) { if (pch && nLength > 0) Assign(pch, static_cast<size_t>(nLength)); }
    explicit CString(wchar_t ch, int nRepeat = 1);
    explicit CString(std::wstring_view text) { Assign(text.data(), text.size()); }
    CString(const CString& other) { Assign(other.m_pData, other.m_nLength); }
    CString(CString&& other) noexcept { TakeFrom(other); }
    ~CString() { Release(); }
    CString& operator=(const CString& other)
    {
        if (this != &other) Assign(other.m_pData, other.m_nLength);
        return *this;
    }
    CString& operator=(CString&& other) noexcept
    {
        if (this != &other) {
            Release();
            TakeFrom(other);
        }
        return *this;
    }
    CString& operator=(const wchar_t* psz)
    {
        if (psz) Assign(psz, std::wcslen(psz));
        else Empty();
        return *this;
    }
    CString& operator=(wchar_t ch) { Assign(&ch, 1); return *this; }

    operator const wchar_t*() const noexcept { return m_pData; }
    const wchar_t* GetString() const noexcept { return m_pData; }
    std::wstring_view View() const noexcept { return {m_pData, m_nLength}; }
    std::wstring str() const { return std::wstring(m_pData, m_nLength); }

    int GetLength() const noexcept { return static_cast<int>(m_nLength); }
    BOOL IsEmpty() const noexcept { return m_nLength == 0; }
    void Empty() noexcept { m_pData[m_nLength = 0] = L'\0'; }
    wchar_t GetAt(int i) const;

    CString& operator+=(const CString& s) { Append(s.m_pData, s.m_nLength); return *this; }
    CString& operator+=(const wchar_t* psz) { if (psz) Append(psz, std::wcslen(psz)); return *this; }
    CString& operator+=(wchar_t ch) { Append(&ch, 1); return *this; }
    void Append(const wchar_t* pch, int nLength) { if (pch && nLength > 0) Append(pch, static_cast<size_t>(nLength)); }

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
    // the id is unknown.
    BOOL LoadString(UINT nID);

    // Length in UTF-16 code units (a character above U+FFFF counts twice).
    int Utf16Length() const noexcept;

private:
    // Most strings a document records are short (names, coordinates,
    // shapes, targets): up to this many characters live in the object
    // itself, so recording them allocates nothing.
    static constexpr size_t kInlineCapacity = 7;

    bool IsInline() const noexcept { return m_pData == m_inline; }
    size_t Capacity() const noexcept { return IsInline() ? kInlineCapacity : m_nCapacity; }
    // pch may point into this string's own text.
    void Assign(const wchar_t* pch, size_t nLength);
    void Append(const wchar_t* pch, size_t nLength);
    void Release() noexcept;
    void TakeFrom(CString& other) noexcept;

    wchar_t* m_pData = m_inline;
    size_t m_nLength = 0;
    union {
        wchar_t m_inline[kInlineCapacity + 1] = {};
        size_t m_nCapacity; // characters the heap buffer holds, its NUL apart
    };
};

inline bool operator==(const CString& a, const CString& b) { return a.View() == b.View(); }
inline bool operator==(const CString& a, const wchar_t* b) { return a.View() == std::wstring_view(b ? b : L""); }
inline bool operator==(const wchar_t* a, const CString& b) { return b == a; }
inline bool operator==(const CString& a, const std::wstring& b) { return a.View() == std::wstring_view(b); }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
inline bool operator!=(const wchar_t* a, const CString& b) { return !(b == a); }
inline bool operator<(const CString& a, const CString& b) { return a.View() < b.View(); }

inline CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
inline CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }

// Number of UTF-16 code units needed for the NUL-terminated string.
int Utf16Length(const wchar_t* psz) noexcept;

// UTF-8 <-> wide conversions for paths and messages (not for file text,
// which goes through the text file class). Invalid UTF-8 decodes each bad
// byte as U+FFFD.
std::string WideToUtf8(const wchar_t* psz);
std::string WideToUtf8(const wchar_t* pch, size_t n);
std::wstring Utf8ToWide(const char* psz);
std::wstring Utf8ToWide(const char* pch, size_t n);
