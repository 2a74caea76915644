// The one shape in which the writers of maps and object tags put an
// attribute into a start tag: a blank, the name, and the value between double
// quotes exactly as it stands (values are never escaped; the help compiler
// reads them back the same way).
#pragma once

#include <htmlfile/platform/String.h>

namespace htmlfile_markup {

// " <name>=\"<value>\""
inline CString AttributeText(const wchar_t* pszName, const CString& strValue)
{
    CString text(L" ");
    text += pszName;
    text += L"=\"";
    text += strValue;
    text += L'"';
    return text;
}

} // namespace htmlfile_markup
