#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/text/QLUtils.h>

#include <cwchar>
#include <string>

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
    std::wstring text;
    EmitAttribute([&](const wchar_t* p, size_t n) { text.append(p, n); }, pszName, pszValue);
    return CString(std::move(text));
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
