// Lookups in a document's object list shared by the members that insert
// elements.
#pragma once

#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/text/QLUtils.h>
#include <htmlfile/platform/List.h>

namespace htmlfile_detail {

// Position of the first element whose tag is "body" (any case): the body
// start tag, or the body end tag when only that is recorded; null when none.
inline POSITION FindFirstBody(const CList<CHTMLObject*, CHTMLObject*>& listObjects)
{
    for (POSITION pos = listObjects.GetHeadPosition(); pos;) {
        POSITION here = pos;
        const CHTMLObject* pObject = listObjects.GetNext(pos);
        if (pObject && QLUtils::CompareNoCase(pObject->m_strTag, L"body") == 0) return here;
    }
    return nullptr;
}

} // namespace htmlfile_detail
