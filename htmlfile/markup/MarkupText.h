// How values become markup text: the quoting of attribute values and the
// escaping of the title, in the one place every writer uses, so that no
// value can end the tag or element it stands in, whatever it holds.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>

#include <cwchar>
#include <string>

namespace htmlfile_markup {

// " name" followed by the value in quotes: double quotes; single quotes for
// a value that holds '"' but no '\''; double quotes with each '"' written
// "&quot;" for a value that holds both. Values are otherwise kept as they
// are (raw, as read), so "&amp;" in a value stays "&amp;". A null value
// writes the name alone, as the file gave an attribute without a value.
HTMLFILE_API CString AttributeText(const wchar_t* pszName, const wchar_t* pszValue);

// The value to write for an attribute that the attribute pszNextName follows
// in the tag (null: none): a bare attribute is written with an empty value
// (which means the same) where the next name begins with '=', since after
// a bare name and a blank that '=' would read as the bare one's value.
inline const wchar_t* ValueBeforeName(const wchar_t* pszValue, const wchar_t* pszNextName)
{
    return !pszValue && pszNextName && *pszNextName == L'=' ? L"" : pszValue;
}
// The same, handed piece by piece to write(const wchar_t*, size_t), so that
// writers of elements with many attributes need no buffer: every recorded
// element is written at each save, and also fingerprinted at each parse of
// a document that saves only what changed. Returns the length written in
// UTF-16 units.
template <class Write>
int EmitAttribute(Write write, const wchar_t* pszName, const wchar_t* pszValue);

// The text of a title element: every '&' that does not begin "&amp;" (any
// case) becomes "&amp;", and the '<' of every "</title" (any case) becomes
// "&lt;", so that the text reads back as it stands and never closes its
// element early.
HTMLFILE_API CString TitleText(const CString& strTitle);

// A title standing in the body as text: '&' as in a title element, and every
// '<' as "&lt;", so that nothing in it is read as markup.
HTMLFILE_API CString BodyText(const CString& strTitle);

template <class Write>
int EmitAttribute(Write write, const wchar_t* pszName, const wchar_t* pszValue)
{
    const size_t nName = std::wcslen(pszName);
    write(L" ", 1);
    write(pszName, nName);
    int nLength = 1 + Utf16Length(pszName);
    if (!pszValue) return nLength;
    const size_t nValue = std::wcslen(pszValue);
    const bool bDouble = std::wmemchr(pszValue, L'"', nValue) != nullptr;
    const bool bSingle = bDouble && std::wmemchr(pszValue, L'\'', nValue) != nullptr;
    const wchar_t* pszOpen = bDouble && !bSingle ? L"='" : L"=\"";
    write(pszOpen, 2);
    nLength += 3 + Utf16Length(pszValue);
    if (!(bDouble && bSingle)) {
        write(pszValue, nValue);
    } else {
        // Both kinds of quote: double quotes, each '"' as "&quot;".
        size_t nRun = 0;
        for (size_t i = 0; i < nValue; ++i) {
            if (pszValue[i] != L'"') continue;
            write(pszValue + nRun, i - nRun);
            write(L"&quot;", 6);
            nLength += 5;
            nRun = i + 1;
        }
        write(pszValue + nRun, nValue - nRun);
    }
    write(pszOpen + 1, 1);
    return nLength;
}

} // namespace htmlfile_markup
