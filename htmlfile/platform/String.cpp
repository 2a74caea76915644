#include <htmlfile/platform/String.h>
#include <htmlfile/platform/CaseFold.h>
#include <htmlfile/resources/Resources.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

CString CString::Left(int nCount) const
{
    if (nCount <= 0) return CString();
    return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0) nFirst = 0;
    if (nCount <= 0 || nFirst >= GetLength()) return CString();
    return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const
{
    if (nCount <= 0) return CString();
    if (nCount >= GetLength()) return *this;
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(nCount)));
}

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart > GetLength()) return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const wchar_t* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength()) return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString& CString::MakeLower()
{
    for (wchar_t& c : m_str) c = FoldCase(c);
    return *this;
}

CString& CString::MakeUpper()
{
    for (wchar_t& c : m_str) c = UpperCase(c);
    return *this;
}

int CString::Compare(const wchar_t* psz) const
{
    return std::wcscmp(m_str.c_str(), psz ? psz : L"");
}

int CString::CompareNoCase(const wchar_t* psz) const
{
    return CompareFolded(m_str.c_str(), psz ? psz : L"");
}

int CString::Utf16Length() const noexcept
{
    return ::Utf16Length(m_str.c_str());
}

BOOL CString::LoadTableString(UINT nID)
{
    const wchar_t* text = htmlfile_resources::FindString(nID);
    if (!text) {
        m_str.clear();
        return FALSE;
    }
    m_str = text;
    return TRUE;
}

void CString::Format(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

namespace {

// Appends one numeric conversion, formatted by the C library from a narrow
// copy of its conversion.
template <typename T>
void AppendNumber(std::wstring& out, const std::string& conversion, T value)
{
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
    if (n < 0) return;
    if (static_cast<size_t>(n) >= sizeof buf) n = sizeof buf - 1;
    out.append(buf, buf + n);
}

void AppendPadded(std::wstring& out, const wchar_t* text, size_t len, bool leftAlign, int width)
{
    size_t pad = width > 0 && static_cast<size_t>(width) > len ? static_cast<size_t>(width) - len : 0;
    if (!leftAlign) out.append(pad, L' ');
    out.append(text, len);
    if (leftAlign) out.append(pad, L' ');
}

} // namespace

void CString::FormatV(const wchar_t* pszFormat, va_list argsIn)
{
    va_list args;
    va_copy(args, argsIn);
    std::wstring out;
    const wchar_t* p = pszFormat ? pszFormat : L"";
    while (*p) {
        if (*p != L'%') {
            const wchar_t* start = p;
            while (*p && *p != L'%') ++p;
            out.append(start, p);
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        std::string conversion = "%";
        bool leftAlign = false;
        while (*p == L'-' || *p == L'+' || *p == L' ' || *p == L'#' || *p == L'0') {
            if (*p == L'-') leftAlign = true;
            conversion += static_cast<char>(*p++);
        }
        int width = 0;
        if (*p == L'*') {
            width = va_arg(args, int);
            conversion += std::to_string(width);
            ++p;
        } else {
            while (*p >= L'0' && *p <= L'9') {
                width = width * 10 + (*p - L'0');
                conversion += static_cast<char>(*p++);
            }
        }
        int precision = -1;
        if (*p == L'.') {
            conversion += '.';
            ++p;
            precision = 0;
            if (*p == L'*') {
                precision = va_arg(args, int);
                conversion += std::to_string(precision);
                ++p;
            } else {
                while (*p >= L'0' && *p <= L'9') {
                    precision = precision * 10 + (*p - L'0');
                    conversion += static_cast<char>(*p++);
                }
            }
        }
        int longs = 0;
        bool shortArg = false;
        for (;; ++p) {
            if (*p == L'l') ++longs;
            else if (*p == L'h') shortArg = true;
            else if (*p == L'I' && p[1] == L'6' && p[2] == L'4') { longs = 2; p += 2; }
            else break;
        }
        wchar_t conv = *p;
        if (!conv) break;
        ++p;
        switch (conv) {
        case L'd': case L'i': {
            conversion += longs >= 2 ? "lld" : "ld";
            long long v = longs >= 2 ? va_arg(args, long long) : longs == 1 ? va_arg(args, long) : va_arg(args, int);
            if (shortArg) v = static_cast<short>(v);
            AppendNumber(out, conversion, v);
            break;
        }
        case L'u': case L'x': case L'X': case L'o': {
            conversion += longs >= 2 ? "ll" : "l";
            conversion += static_cast<char>(conv);
            unsigned long long v = longs >= 2 ? va_arg(args, unsigned long long)
                                 : longs == 1 ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
            if (shortArg) v = static_cast<unsigned short>(v);
            AppendNumber(out, conversion, v);
            break;
        }
        case L'c': case L'C': {
            wchar_t ch = static_cast<wchar_t>(va_arg(args, int));
            AppendPadded(out, &ch, 1, leftAlign, width);
            break;
        }
        case L's': case L'S': {
            const wchar_t* s = va_arg(args, const wchar_t*);
            if (!s) s = L"(null)";
            size_t len = std::wcslen(s);
            if (precision >= 0 && static_cast<size_t>(precision) < len) len = static_cast<size_t>(precision);
            AppendPadded(out, s, len, leftAlign, width);
            break;
        }
        case L'p': {
            AppendNumber(out, "%p", va_arg(args, void*));
            break;
        }
        default:
            // Unknown conversion: written as it stands.
            out += L'%';
            out += conv;
            break;
        }
    }
    va_end(args);
    m_str = std::move(out);
}

int Utf16Length(const wchar_t* psz) noexcept
{
    if (!psz) return 0;
    int n = 0;
    for (; *psz; ++psz) {
        if constexpr (sizeof(wchar_t) == 4) n += static_cast<std::uint32_t>(*psz) > 0xFFFF ? 2 : 1;
        else ++n;
    }
    return n;
}

std::string WideToUtf8(const wchar_t* psz)
{
    return psz ? WideToUtf8(psz, std::wcslen(psz)) : std::string();
}

namespace {

constexpr bool kUtf16Units = sizeof(wchar_t) == 2;

bool IsHighSurrogate(std::uint32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

// Appends the UTF-8 form of c; with bEscapedBytes, a lone surrogate
// U+DC80..U+DCFF stands for the raw byte it escapes. Any other lone
// surrogate has no UTF-8 form: U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t c, bool bEscapedBytes)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (bEscapedBytes && c >= 0xDC80 && c <= 0xDCFF) {
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        if (c > 0x10FFFF) c = 0xFFFD;
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Where wchar_t holds UTF-16 units, a surrogate pair is one character.
std::string EncodeUtf8(const wchar_t* pch, size_t n, bool bEscapedBytes)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        auto c = static_cast<std::uint32_t>(pch[i]);
        if (kUtf16Units && IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(static_cast<std::uint32_t>(pch[i + 1])))
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(pch[++i]) - 0xDC00);
        AppendUtf8(out, c, bEscapedBytes);
    }
    return out;
}

void AppendWide(std::wstring& out, std::uint32_t c)
{
    if (kUtf16Units && c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

// Length of the well-formed UTF-8 sequence at p (at most n bytes), its
// character in *pc; 0 when no well-formed sequence starts there.
int WellFormedSequence(const unsigned char* p, size_t n, std::uint32_t* pc)
{
    const unsigned char b = p[0];
    const int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (len == 0 || static_cast<size_t>(len) > n) return 0;
    std::uint32_t c = len == 4 ? b & 0x07u : len == 3 ? b & 0x0Fu : b & 0x1Fu;
    for (int k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[k] & 0x3Fu);
    }
    if ((len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)))
        return 0;
    *pc = c;
    return len;
}

std::wstring DecodeUtf8(const char* pch, size_t n, bool bEscapeBytes)
{
    std::wstring out;
    out.reserve(n);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pch);
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out += static_cast<wchar_t>(p[i++]);
            continue;
        }
        std::uint32_t c = 0;
        const int len = WellFormedSequence(p + i, n - i, &c);
        if (len == 0) {
            out += bEscapeBytes ? static_cast<wchar_t>(0xDC00 + p[i]) : L'\xFFFD';
            ++i;
            continue;
        }
        AppendWide(out, c);
        i += static_cast<size_t>(len);
    }
    return out;
}

} // namespace

std::string WideToUtf8(const wchar_t* pch, size_t n)
{
    return EncodeUtf8(pch, n, false);
}

std::wstring Utf8ToWide(const char* psz)
{
    return psz ? Utf8ToWide(psz, std::strlen(psz)) : std::wstring();
}

std::wstring Utf8ToWide(const char* pch, size_t n)
{
    return DecodeUtf8(pch, n, false);
}

std::string WideToBytes(const wchar_t* psz)
{
    return psz ? EncodeUtf8(psz, std::wcslen(psz), true) : std::string();
}

std::wstring BytesToWide(const char* pch, size_t n)
{
    return DecodeUtf8(pch, n, true);
}

std::wstring BytesToWide(const char* psz)
{
    return psz ? BytesToWide(psz, std::strlen(psz)) : std::wstring();
}
