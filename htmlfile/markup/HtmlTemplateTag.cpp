#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/markup/HtmlTemplateTag.h>
#include <htmlfile/markup/MarkupText.h>
#include <htmlfile/text/QLUtils.h>
#include <htmlfile/resources/Resources.h>

CHTMLTemplateTag::CHTMLTemplateTag(const wchar_t* pszName) : m_strName(pszName)
{
}

int CHTMLTemplateTag::Generate(CkvuuStdioFile* pFile)
{
    // Only "title" stands for something; any other placeholder is dropped.
    if (QLUtils::CompareNoCase(m_strName, L"title") != 0) return 1;

    // The title goes in as text, escaped so that it reads back as the author
    // typed it and nothing in it becomes markup. A topic without a title (or
    // a placeholder never bound to a document) gets the same text a new
    // topic starts with.
    const wchar_t* pszTitle = m_pHtmlFile ? m_pHtmlFile->GetTitle() : nullptr;
    CString strText(pszTitle);
    if (!pszTitle) strText.LoadString(IDS_NEW_TOPIC);
    WriteText(pFile, htmlfile_markup::BodyText(strText));
    return 1;
}
