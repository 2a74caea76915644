// The many-valued things a topic records: bookmarks, links, images,
// multimedia, image maps and embedded objects.
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/text/QLUtils.h>

namespace {

// Head of a typed list after bringing the document up to date; null when
// the kind is not recorded.
template <class List>
POSITION HeadOf(List* pList)
{
    return pList ? pList->GetHeadPosition() : nullptr;
}

template <class T>
T* NextOf(CList<T*, T*>* pList, POSITION& pos)
{
    return pList ? pList->GetNext(pos) : nullptr;
}

} // namespace

POSITION CHtmlFile::GetBookmarkHeadPosition()
{
    if (!(m_dwFlags & PARSE_BOOKMARKS)) return nullptr;
    ParseFile();
    return HeadOf(m_pBookmarks);
}

const wchar_t* CHtmlFile::GetNextBookmark(POSITION& pos)
{
    if (!(m_dwFlags & PARSE_BOOKMARKS) || !m_pBookmarks) return nullptr;
    return *m_pBookmarks->GetNext(pos);
}

POSITION CHtmlFile::GetLinkHeadPosition()
{
    if (!(m_dwFlags & PARSE_LINKS)) return nullptr;
    ParseFile();
    return HeadOf(m_pLinks);
}

const wchar_t* CHtmlFile::GetNextLink(POSITION& pos)
{
    if (!(m_dwFlags & PARSE_LINKS) || !m_pLinks) return nullptr;
    return *m_pLinks->GetNext(pos);
}

POSITION CHtmlFile::GetImageHeadPosition()
{
    if (!(m_dwFlags & PARSE_IMAGES)) return nullptr;
    ParseFile();
    return HeadOf(m_pImages);
}

CHTMLImage* CHtmlFile::GetNextImage(POSITION& pos)
{
    return (m_dwFlags & PARSE_IMAGES) ? NextOf(m_pImages, pos) : nullptr;
}

POSITION CHtmlFile::GetMultimediaHeadPosition()
{
    if (!(m_dwFlags & PARSE_MULTIMEDIA)) return nullptr;
    ParseFile();
    return HeadOf(m_pMultimedia);
}

CHtmlFileMultimedia* CHtmlFile::GetNextMultimedia(POSITION& pos)
{
    return (m_dwFlags & PARSE_MULTIMEDIA) ? NextOf(m_pMultimedia, pos) : nullptr;
}

POSITION CHtmlFile::GetMapHeadPosition()
{
    if (!(m_dwFlags & PARSE_MAPS)) return nullptr;
    ParseFile();
    return HeadOf(m_pMaps);
}

CHTMLMap* CHtmlFile::GetNextMap(POSITION& pos)
{
    return (m_dwFlags & PARSE_MAPS) ? NextOf(m_pMaps, pos) : nullptr;
}

int CHtmlFile::GetNumMaps()
{
    if (!(m_dwFlags & PARSE_MAPS)) return 0;
    ParseFile();
    return m_pMaps ? m_pMaps->GetCount() : 0;
}

CHTMLMap* CHtmlFile::FindMap(const wchar_t* pszName)
{
    for (POSITION pos = GetMapHeadPosition(); pos;) {
        CHTMLMap* pMap = GetNextMap(pos);
        if (pMap && pMap->Name() == pszName) return pMap;
    }
    return nullptr;
}

POSITION CHtmlFile::GetObjectTagHeadPosition()
{
    if (!(m_dwFlags & PARSE_OBJECTTAGS)) return nullptr;
    ParseFile();
    return HeadOf(m_pObjectTags);
}

CHTMLObjectTag* CHtmlFile::GetNextObjectTag(POSITION& pos)
{
    return (m_dwFlags & PARSE_OBJECTTAGS) ? NextOf(m_pObjectTags, pos) : nullptr;
}

int CHtmlFile::GetNumObjectTags()
{
    if (!(m_dwFlags & PARSE_OBJECTTAGS)) return 0;
    ParseFile();
    return m_pObjectTags ? m_pObjectTags->GetCount() : 0;
}

CHTMLObjectTag* CHtmlFile::FindObjectTagById(const wchar_t* pszId)
{
    for (POSITION pos = GetObjectTagHeadPosition(); pos;) {
        CHTMLObjectTag* pObject = GetNextObjectTag(pos);
        if (pObject && !pObject->IsDeleted() && QLUtils::CompareNoCase(pObject->Id(), pszId) == 0) return pObject;
    }
    return nullptr;
}

CHTMLObjectTag* CHtmlFile::FindObjectTagByClsid(const wchar_t* pszClsid)
{
    for (POSITION pos = GetObjectTagHeadPosition(); pos;) {
        CHTMLObjectTag* pObject = GetNextObjectTag(pos);
        if (pObject && !pObject->IsDeleted() && QLUtils::CompareNoCase(pObject->Clsid(), pszClsid) == 0)
            return pObject;
    }
    return nullptr;
}

namespace {

// Places an element the caller inserted: directly before the element that
// is last in the object list (normally the body end tag), or at the end of
// an empty list.
void InsertBeforeLast(CList<CHTMLObject*, CHTMLObject*>& listObjects, CHTMLObject* pObject)
{
    pObject->m_nEnd = -1;
    if (listObjects.IsEmpty()) {
        pObject->m_nBegin = 0;
        listObjects.AddTail(pObject);
        return;
    }
    POSITION posLast = listObjects.GetTailPosition();
    CHTMLObject* pLast = listObjects.GetAt(posLast);
    pObject->m_nBegin = pLast ? pLast->m_nBegin : 0;
    listObjects.InsertBefore(posLast, pObject);
}

} // namespace

BOOL CHtmlFile::InsertMap(CHTMLMap* pMap)
{
    if (!(m_dwFlags & PARSE_MAPS)) return FALSE;
    ParseFile();
    InsertBeforeLast(m_listObjects, pMap);
    if (m_pMaps) m_pMaps->AddTail(pMap);
    return TRUE;
}

BOOL CHtmlFile::InsertObjectTag(CHTMLObjectTag* pObjectTag)
{
    if (!(m_dwFlags & PARSE_OBJECTTAGS)) return FALSE;
    ParseFile();
    InsertBeforeLast(m_listObjects, pObjectTag);
    if (m_pObjectTags) m_pObjectTags->AddTail(pObjectTag);
    return TRUE;
}
