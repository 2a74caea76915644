// The recorded elements of a topic: the abstract CHTMLObject, which knows
// where its text lies in the source file and writes itself back with
// Generate, and the simple elements (a start tag with its attributes, an end
// tag, the title, the style sheet link, images and multimedia).
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/scan/Html.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

#include <vector>

class CkvuuStdioFile;

class HTMLFILE_API CHTMLObject {
public:
    CHTMLObject() = default;
    CHTMLObject(int nBegin, int nEnd) : m_nBegin(nBegin), m_nEnd(nEnd) {}
    CHTMLObject(const CHTMLObject&) = default;
    CHTMLObject& operator=(const CHTMLObject&) = default;
    virtual ~CHTMLObject() = default;

    // Writes the element's HTML at the current position of pFile; returns 1.
    virtual int Generate(CkvuuStdioFile* pFile) = 0;
    // Whether what Generate writes ends with a line end of its own.
    virtual bool EndsWithLineEnd() const { return false; }
    // Writes the element without that closing line end, for a place where
    // the text that follows begins with one: saving again then finds the
    // same text, instead of one line end more at each save.
    virtual int GenerateBeforeLineEnd(CkvuuStdioFile* pFile) { return Generate(pFile); }

    // The one write step of every writer: writes the text and swallows any
    // write failure, so that a writer always completes.
    void WriteText(CkvuuStdioFile* pFile, const wchar_t* pszText);
    void WriteText(CkvuuStdioFile* pFile, const wchar_t* pText, size_t nLength);

    // 1-based position of the element's first '<' in the source, 0 when it
    // was not read from the file.
    int m_nBegin = 0;
    // Position of the element's last '>'; -1 for an element the caller
    // inserted, 0 for one neither read nor inserted.
    int m_nEnd = 0;
    // The tag name as the scanner reported it (start and end tags only).
    CString m_strTag;
    // For a document that saves only what changed: a fingerprint of what
    // the writer wrote right after the parse, when m_bFingerprinted.
    unsigned long long m_nParsedFingerprint = 0;
    BOOL m_bFingerprinted = FALSE;
};

// A start tag with its attribute chain (the document records the body start
// tag this way). Owns the chain.
class HTMLFILE_API CHTMLTag : public CHTMLObject {
public:
    CHTMLTag(const wchar_t* pszTag, TagAttribute* pAttributes, int nBegin, int nEnd);
    CHTMLTag(const CHTMLTag&) = delete;
    CHTMLTag& operator=(const CHTMLTag&) = delete;
    ~CHTMLTag() override;

    // Value of the attribute (name compared ignoring case); its name when it
    // has no value; null when absent.
    const wchar_t* GetAttribute(const wchar_t* pszName) const;
    // Replaces the value of an existing attribute (1), appends a new one when
    // the value is not empty (1), or changes nothing (0: empty name, or an
    // absent attribute with an empty value).
    BOOL SetAttribute(const wchar_t* pszName, const wchar_t* pszValue);

    int Generate(CkvuuStdioFile* pFile) override;

    TagAttribute* m_pAttributes = nullptr;

private:
    // Attributes emptied through SetAttribute: left out when written. An
    // empty value read from the file is written back as it was.
    std::vector<const TagAttribute*> m_vecRemoved;
    void MarkRemoved(const TagAttribute* pNode, bool bRemoved);
    bool IsRemoved(const TagAttribute* pNode) const;
};

class HTMLFILE_API CHTMLEndTag : public CHTMLObject {
public:
    CHTMLEndTag(const wchar_t* pszTag, int nBegin, int nEnd);
    int Generate(CkvuuStdioFile* pFile) override;
};

class HTMLFILE_API CHTMLTitle : public CHTMLObject {
public:
    CHTMLTitle() = default;
    int Generate(CkvuuStdioFile* pFile) override;

    CString m_strTitle;
};

// An attribute kept as the file gave it: its name as written, and its value
// (raw) unless it had none.
struct CKeptAttribute {
    CString strName;
    CString strValue;
    bool bHasValue = true;
};

// The style sheet link: a link whose rel names a style sheet. One read from
// the file keeps its rel and its other attributes; a new one has the rel
// "stylesheet" and no others.
class HTMLFILE_API CHTMLStyleLink : public CHTMLObject {
public:
    CHTMLStyleLink() = default;
    // Takes rel, href and every other attribute but type from the chain.
    void TakeAttributes(const TagAttribute* pAttributes);
    int Generate(CkvuuStdioFile* pFile) override;

    CString m_strHref;
    CString m_strRel = L"stylesheet";
    // In file order: every attribute but rel, href and type.
    std::vector<CKeptAttribute> m_vecOtherAttributes;
};

class HTMLFILE_API CHTMLImage : public CHTMLObject {
public:
    CHTMLImage(const wchar_t* pszSrc, const wchar_t* pszUseMap);
    int Generate(CkvuuStdioFile* pFile) override;

    CString m_strSrc;
    CString m_strUseMap;
};

class HTMLFILE_API CHtmlFileMultimedia : public CHTMLObject {
public:
    // nType: 1 = background sound, 0 = dynamic-source image. nLoop: play
    // count, 1 = once, -1 = endless.
    CHtmlFileMultimedia(const wchar_t* pszSrc, const wchar_t* pszUseMap, int nType, int nLoop);
    int Generate(CkvuuStdioFile* pFile) override;

    CString m_strSrc;
    CString m_strUseMap;
    int m_nType;
    int m_nLoop;
};
