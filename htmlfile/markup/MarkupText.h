// How values become markup text: the quoting of attribute values and the
// escaping of the title, in the one place every writer uses, so that no
// value can end the tag or element it stands in, whatever it holds.
#pragma once

#include <htmlfile/platform/String.h>

namespace htmlfile_markup {

// " name" followed by the value in quotes: double quotes; single quotes for
// a value that holds '"' but no '\''; double quotes with each '"' written
// "&quot;" for a value that holds both. Values are otherwise kept as they
// are (raw, as read), so "&amp;" in a value stays "&amp;". A null value
// writes the name alone, as the file gave an attribute without a value.
CString AttributeText(const wchar_t* pszName, const wchar_t* pszValue);

// The text of a title element: every '&' that does not begin "&amp;" (any
// case) becomes "&amp;", and the '<' of every "</title" (any case) becomes
// "&lt;", so that the text reads back as it stands and never closes its
// element early.
CString TitleText(const CString& strTitle);

// A title standing in the body as text: '&' as in a title element, and every
// '<' as "&lt;", so that nothing in it is read as markup.
CString BodyText(const CString& strTitle);

} // namespace htmlfile_markup
