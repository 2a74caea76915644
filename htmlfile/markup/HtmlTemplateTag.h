// Template placeholders: <meta name="template" pattern="..."> elements of a
// topic made from a built-in template, replaced on save by what the pattern
// stands for (the title for "title", nothing otherwise).
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>

class CHtmlFile;

class HTMLFILE_API CHTMLTemplateTag : public CHTMLObject {
public:
    explicit CHTMLTemplateTag(const wchar_t* pszName);
    CHTMLTemplateTag(const CHTMLTemplateTag& other) = default;
    CHTMLTemplateTag& operator=(const CHTMLTemplateTag& other) = default;
    ~CHTMLTemplateTag() override = default;

    const CString& Name() const noexcept { return m_strName; }
    void SetHtmlFile(CHtmlFile* pHtmlFile) noexcept { m_pHtmlFile = pHtmlFile; }

    int Generate(CkvuuStdioFile* pFile) override;

    CHtmlFile* m_pHtmlFile = nullptr;

private:
    CString m_strName;
};
