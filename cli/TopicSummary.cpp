#include "TopicSummary.h"

#include "Edits.h"
#include "TopicDocument.h"

#include <htmlfile/color/Color.h>
#include <htmlfile/platform/String.h>

namespace htmltopic {
namespace {

std::string Utf8(const wchar_t* psz)
{
    return psz ? WideToUtf8(psz) : std::string();
}

std::optional<std::string> OptionalUtf8(const wchar_t* psz)
{
    if (!psz || !*psz) return std::nullopt;
    return WideToUtf8(psz);
}

std::vector<std::string> Strings(const CStringList& list)
{
    std::vector<std::string> result;
    for (POSITION pos = list.GetHeadPosition(); pos;) result.push_back(Utf8(list.GetNext(pos)));
    return result;
}

std::optional<COLORREF> BorderColor(COLORREF color)
{
    if (color == NO_BORDER_COLOR) return std::nullopt;
    return color;
}

FrameNode SummarizeFrame(const CHtmlFileFrame& frame)
{
    FrameNode node;
    node.name = Utf8(frame.m_strName);
    node.src = Utf8(frame.m_strSrc);
    node.scrolling = Utf8(frame.m_strScrolling);
    node.noResize = frame.m_bNoResize != FALSE;
    node.marginWidth = frame.m_nMarginWidth;
    node.marginHeight = frame.m_nMarginHeight;
    node.frameBorder = frame.m_bFrameBorder != FALSE;
    node.borderColor = BorderColor(frame.m_crBorderColor);
    return node;
}

FrameNode SummarizeFrameset(const CHtmlFileFrameset& frameset)
{
    FrameNode node;
    node.isFrameset = true;
    node.cols = Strings(frameset.m_listCols);
    node.rows = Strings(frameset.m_listRows);
    node.frameBorder = frameset.m_bFrameBorder != FALSE;
    node.borderColor = BorderColor(frameset.m_crBorderColor);
    for (POSITION pos = frameset.m_listItems.GetHeadPosition(); pos;) {
        const CHtmlFileFramesetItem* pItem = frameset.m_listItems.GetNext(pos);
        // m_nItemType says which of the two classes a child is.
        if (pItem->m_nItemType == 1)
            node.children.push_back(SummarizeFrame(*static_cast<const CHtmlFileFrame*>(pItem)));
        else
            node.children.push_back(SummarizeFrameset(*static_cast<const CHtmlFileFrameset*>(pItem)));
    }
    return node;
}

void SummarizeProperties(TopicDocument& doc, TopicSummary& summary)
{
    summary.valid = doc.IsValid() != 0;
    if (const wchar_t* pszEncoding = doc.GetEncoding()) summary.encoding = WideToUtf8(pszEncoding);
    if (const wchar_t* pszSource = doc.GetEncodingSource()) summary.encodingSource = WideToUtf8(pszSource);
    summary.title = OptionalUtf8(doc.GetTitle());
    if (doc.HasStyleSheetLink()) summary.styleSheet = OptionalUtf8(doc.GetStyleSheet());
    std::string background = doc.BackgroundAsWritten();
    if (!background.empty()) summary.background = background;
    summary.watermark = doc.GetWaterMark() != FALSE;
    int loop = 1;
    if (const wchar_t* pszSound = doc.GetBgSound(&loop)) {
        summary.bgSound = Utf8(pszSound);
        summary.bgSoundLoop = loop;
    }
    for (size_t i = 0; i < kBodyColorCount; ++i) {
        unsigned long color = GetBodyColor(doc, static_cast<BodyColor>(i));
        if (color != NO_COLOR) summary.colors[i] = static_cast<COLORREF>(color);
    }
}

void SummarizeCollections(TopicDocument& doc, TopicSummary& summary)
{
    for (POSITION pos = doc.GetBookmarkHeadPosition(); pos;)
        summary.bookmarks.push_back(Utf8(doc.GetNextBookmark(pos)));
    for (POSITION pos = doc.GetLinkHeadPosition(); pos;) summary.links.push_back(Utf8(doc.GetNextLink(pos)));
    for (POSITION pos = doc.GetImageHeadPosition(); pos;) {
        const CHTMLImage* pImage = doc.GetNextImage(pos);
        summary.images.push_back({Utf8(pImage->m_strSrc), Utf8(pImage->m_strUseMap)});
    }
    for (POSITION pos = doc.GetMultimediaHeadPosition(); pos;) {
        const CHtmlFileMultimedia* pMedia = doc.GetNextMultimedia(pos);
        summary.multimedia.push_back(
            {Utf8(pMedia->m_strSrc), Utf8(pMedia->m_strUseMap), pMedia->m_nType == 1, pMedia->m_nLoop});
    }
    summary.maps = SummarizeMaps(doc);
    summary.objects = SummarizeObjects(doc);
    for (POSITION pos = doc.GetFramesetHeadPosition(); pos;)
        summary.framesets.push_back(SummarizeFrameset(*doc.GetNextFrameset(pos)));
}

} // namespace

std::vector<MapSummary> SummarizeMaps(TopicDocument& doc)
{
    std::vector<MapSummary> maps;
    for (POSITION pos = doc.GetMapHeadPosition(); pos;) {
        const CHTMLMap* pMap = doc.GetNextMap(pos);
        MapSummary map{Utf8(pMap->Name()), {}};
        for (POSITION area = pMap->GetMapAreaHeadPosition(); area;) {
            const CHTMLMapArea* pArea = pMap->GetNextMapArea(area);
            map.areas.push_back({Utf8(pArea->Shape()), Utf8(pArea->Coords()), Utf8(pArea->Href()), Utf8(pArea->Alt()),
                                 Utf8(pArea->Frame())});
        }
        maps.push_back(std::move(map));
    }
    return maps;
}

std::vector<ObjectSummary> SummarizeObjects(TopicDocument& doc)
{
    std::vector<ObjectSummary> objects;
    for (POSITION pos = doc.GetObjectTagHeadPosition(); pos;) {
        const CHTMLObjectTag* pObject = doc.GetNextObjectTag(pos);
        ObjectSummary object;
        object.id = Utf8(pObject->Id());
        object.clsid = Utf8(pObject->Clsid());
        object.deleted = pObject->IsDeleted() != FALSE;
        for (POSITION attribute = pObject->GetAttributeHeadPosition(); attribute;) {
            CString strName, strValue;
            pObject->GetNextAttribute(attribute, strName, strValue);
            object.attributes.emplace_back(Utf8(strName), Utf8(strValue));
        }
        for (POSITION param = pObject->GetParamHeadPosition(); param;) {
            const CHTMLParam* pParam = pObject->GetNextParam(param);
            object.params.emplace_back(Utf8(pParam->Name()), Utf8(pParam->Value()));
        }
        objects.push_back(std::move(object));
    }
    return objects;
}

TopicSummary SummarizeTopic(TopicDocument& doc, const std::string& displayPath)
{
    TopicSummary summary;
    summary.file = displayPath;
    SummarizeProperties(doc, summary);
    SummarizeCollections(doc, summary);
    return summary;
}

} // namespace htmltopic
