#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/markup/HtmlTemplateTag.h>
#include <htmlfile/outside/QLUtils.h>
#include <htmlfile/resources/Resources.h>

CHTMLTemplateTag::CHTMLTemplateTag(const wchar_t* pszName) : m_strName(pszName)
{
}

int CHTMLTemplateTag::Generate(CkvuuStdioFile* pFile)
{
    // Only "title" stands for something; any other placeholder is dropped.
    if (QLUtils::CompareNoCase(m_strName, L"title") != 0) return 1;

    // The title goes in as plain text, as the author typed it. A topic
    // without a title (or a placeholder never bound to a document) gets the
    // same text a new topic starts with.
    const wchar_t* pszTitle = m_pHtmlFile ? m_pHtmlFile->GetTitle() : nullptr;
    if (pszTitle) {
        WriteText(pFile, pszTitle);
        return 1;
    }
    CString strNewTopic;
    strNewTopic.LoadString(IDS_NEW_TOPIC);
    WriteText(pFile, strNewTopic);
    return 1;
}
