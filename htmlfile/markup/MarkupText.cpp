#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/outside/QLUtils.h>

#include <cwchar>

namespace htmlfile_markup {

namespace {

constexpr const wchar_t* kAmp = L"&amp;";
constexpr int kAmpLength = 5;
constexpr const wchar_t* kTitleEnd = L"</title";
constexpr int kTitleEndLength = 7;

bool StartsWithNoCase(const CString& strText, int nAt, const wchar_t* pszWhat, int nLength)
{
    return QLUtils::CompareNoCase(strText.Mid(nAt, nLength), pszWhat) == 0;
}

// Escapes '&' (an "&amp;" already there is kept as one, not doubled) and
// the '<' characters for which bEscapeLess says so.
template <typename EscapeLess>
CString EscapeText(const CString& strText, EscapeLess bEscapeLess)
{
    CString escaped;
    const int nLength = strText.GetLength();
    int nCopied = 0;
    for (int nAt = 0; nAt < nLength;) {
        const wchar_t c = strText.GetAt(nAt);
        if (c != L'&' && !(c == L'<' && bEscapeLess(nAt))) {
            ++nAt;
            continue;
        }
        escaped.Append(strText.GetString() + nCopied, nAt - nCopied);
        if (c == L'<') {
            escaped += L"&lt;";
            ++nAt;
        } else {
            escaped += kAmp;
            nAt += StartsWithNoCase(strText, nAt, kAmp, kAmpLength) ? kAmpLength : 1;
        }
        nCopied = nAt;
    }
    escaped.Append(strText.GetString() + nCopied, nLength - nCopied);
    return escaped;
}

} // namespace

CString AttributeText(const wchar_t* pszName, const wchar_t* pszValue)
{
    CString text(L" ");
    text += pszName;
    if (!pszValue) return text;
    const bool bDouble = std::wcschr(pszValue, L'"') != nullptr;
    const bool bSingle = std::wcschr(pszValue, L'\'') != nullptr;
    if (bDouble && !bSingle) {
        text += L"='";
        text += pszValue;
        text += L'\'';
        return text;
    }
    text += L"=\"";
    for (const wchar_t* p = pszValue; *p; ++p) {
        if (*p == L'"') text += L"&quot;";
        else text += *p;
    }
    text += L'"';
    return text;
}

CString TitleText(const CString& strTitle)
{
    return EscapeText(strTitle,
                      [&](int nAt) { return StartsWithNoCase(strTitle, nAt, kTitleEnd, kTitleEndLength); });
}

CString BodyText(const CString& strTitle)
{
    return EscapeText(strTitle, [](int) { return true; });
}

} // namespace htmlfile_markup
