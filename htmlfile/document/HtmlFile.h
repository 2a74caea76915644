// CHtmlFile: one HTML topic file, opened from disk or created from a
// built-in template, parsed into recorded markup objects, edited through its
// members and saved so that every byte it did not record is kept.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/color/Color.h>
#include <htmlfile/frameset/HtmlFileFrameset.h>
#include <htmlfile/markup/HtmlMap.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/markup/HtmlObjectTag.h>
#include <htmlfile/markup/HtmlTemplateTag.h>
#include <htmlfile/scan/Html.h>
#include <htmlfile/platform/File.h>
#include <htmlfile/platform/FileSystem.h>
#include <htmlfile/platform/List.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

#include <functional>
#include <memory>

class CkvuuStdioFile;
namespace htmlfile_detail {
class WriterFingerprint;
}

// Which markup a document records.
enum : DWORD {
    PARSE_LINKS = 0x0001,
    PARSE_BOOKMARKS = 0x0002,
    PARSE_TITLE = 0x0004,
    PARSE_BODY = 0x0008,
    PARSE_IMAGES = 0x0010,
    PARSE_MULTIMEDIA = 0x0020,
    PARSE_MAPS = 0x0040,
    PARSE_STYLESHEET = 0x0080,
    PARSE_FRAMESETS = 0x0100,
    PARSE_TEMPLATES = 0x0200,
    PARSE_OBJECTTAGS = 0x0400,
    PARSE_ALL = 0xFFFF,
    // Not a kind of markup: a save copies every recorded element whose
    // writer would write what it wrote right after the parse byte for byte
    // from the old file, and writes anew only what changed, was inserted or
    // was deleted (template placeholders are always written).
    SAVE_CHANGED_ONLY = 0x00010000,
};

class HTMLFILE_API CHtmlFile : public HTMLCallback {
public:
    // Opens an existing topic and parses it at once with the given flags.
    // pszEncoding, when given, is the label of the encoding to read the file
    // in (any label the WHATWG Encoding Standard knows: "shift_jis",
    // "windows-1250", "utf-8"...), overriding what the file declares; only a
    // byte-order mark outranks it. An unknown label opens nothing
    // (GetLastFailure says so).
    CHtmlFile(const wchar_t* pszFileName, DWORD dwFlags, const wchar_t* pszEncoding = nullptr);
    // Creates a new topic in a temporary file ("QL....tmp" in the temporary
    // folder) from a built-in template and parses it with PARSE_ALL:
    // (0, any) standard topic, (non-zero, 0) bare page, (non-zero, non-zero)
    // bare page with a title.
    CHtmlFile(int nBare = 0, int nWithTitle = 0);
    CHtmlFile(const CHtmlFile&) = delete;
    CHtmlFile& operator=(const CHtmlFile&) = delete;
    ~CHtmlFile() override;

    int IsValid() const noexcept { return m_bValid; }
    const wchar_t* GetFileName() const noexcept { return m_strFileName; }
    // Why the last open (parse) or save failed, in words; null after one
    // that succeeded. A save that succeeded may leave a warning here (an
    // attribute that could not be kept, a folder that could not be flushed).
    const wchar_t* GetLastFailure() const noexcept
    {
        return m_strLastFailure.IsEmpty() ? nullptr : m_strLastFailure.GetString();
    }
    // The encoding the last parse read the file in ("UTF-8", "Shift_JIS",
    // "windows-1252"...), and how it was found: "byte-order mark", "given",
    // "declared", "detected" (valid UTF-8, nothing declared) or "assumed".
    // Null before a parse succeeded.
    const wchar_t* GetEncoding() const noexcept;
    const wchar_t* GetEncodingSource() const noexcept;

    // Document properties.
    const wchar_t* GetTitle();
    BOOL SetTitle(const wchar_t* pszTitle);
    const wchar_t* GetStyleSheet();
    BOOL SetStyleSheet(const wchar_t* pszHref);
    const wchar_t* GetBgImage();
    BOOL SetBgImage(const wchar_t* pszImage);
    const wchar_t* GetBgSound(int* pnLoop);
    BOOL SetBgSound(const wchar_t* pszSrc, int nLoop);
    BOOL GetWaterMark();
    BOOL SetWaterMark(BOOL bFixed);

    // Body colours (NO_COLOR when absent; NO_COLOR to a setter removes the
    // attribute).
    unsigned long GetLinkColor();
    unsigned long GetVLinkColor();
    unsigned long GetALinkColor();
    unsigned long GetBgColor();
    unsigned long GetTextColor();
    int SetLinkColor(unsigned long cr);
    int SetVLinkColor(unsigned long cr);
    int SetALinkColor(unsigned long cr);
    int SetBgColor(unsigned long cr);
    int SetTextColor(unsigned long cr);

    // Collections.
    POSITION GetBookmarkHeadPosition();
    const wchar_t* GetNextBookmark(POSITION& pos);
    POSITION GetLinkHeadPosition();
    const wchar_t* GetNextLink(POSITION& pos);
    POSITION GetImageHeadPosition();
    CHTMLImage* GetNextImage(POSITION& pos);
    POSITION GetMultimediaHeadPosition();
    CHtmlFileMultimedia* GetNextMultimedia(POSITION& pos);
    POSITION GetMapHeadPosition();
    CHTMLMap* GetNextMap(POSITION& pos);
    int GetNumMaps();
    CHTMLMap* FindMap(const wchar_t* pszName);
    BOOL InsertMap(CHTMLMap* pMap);
    POSITION GetObjectTagHeadPosition();
    CHTMLObjectTag* GetNextObjectTag(POSITION& pos);
    int GetNumObjectTags();
    CHTMLObjectTag* FindObjectTagById(const wchar_t* pszId);
    CHTMLObjectTag* FindObjectTagByClsid(const wchar_t* pszClsid);
    BOOL InsertObjectTag(CHTMLObjectTag* pObjectTag);

    // Frame layouts.
    POSITION GetFramesetHeadPosition();
    CHtmlFileFrameset* GetNextFrameset(POSITION& pos);
    int GetFramesetCount();
    int SetFrameset(CHtmlFileFrameset* pFrameset);
    int AddFrameset(CHtmlFileFrameset* pFrameset);

    // Saving.
    BOOL SaveFile();
    BOOL SaveFileAs(const wchar_t* pszNewPath);

protected:
    int Init();
    void Clear();
    int ParseFile();
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                          TagAttribute* const pAttributes) override;

    unsigned long FindColor(const wchar_t* pszName);
    int SetColor(const wchar_t* pszName, unsigned long cr);

    BOOL IsFileChanged();
    // With SAVE_CHANGED_ONLY: whether the element's writer would write now
    // what it wrote right after the parse (with the paths as they stand).
    BOOL IsUnchangedSinceParse(CHTMLObject* pElement) const;
    BOOL UpdateRelativePaths(const wchar_t* pszPath);
    BOOL DoSaveFile(CkvuuStdioFile* pDest, CkvuuStdioFile* pSource);
    BOOL FileCopy(CkvuuStdioFile* pDest, CkvuuStdioFile* pSource, DWORD dwCount, BOOL bToEnd);

    CList<CHTMLObject*, CHTMLObject*> m_listObjects{10};
    CString m_strFileName;
    HTML* m_pScanner = nullptr;
    CHTMLTag* m_pBodyTag = nullptr;
    CHTMLTitle* m_pTitle = nullptr;
    CHTMLStyleLink* m_pStyleLink = nullptr;
    DWORD m_dwFlags = 0;
    BOOL m_bTempFile = FALSE;
    BOOL m_bValid = FALSE;
    CFileStatus m_fileStatus;
    CList<CString*, CString*>* m_pBookmarks = nullptr;
    CList<CString*, CString*>* m_pLinks = nullptr;
    CList<CHTMLImage*, CHTMLImage*>* m_pImages = nullptr;
    CList<CHtmlFileMultimedia*, CHtmlFileMultimedia*>* m_pMultimedia = nullptr;
    CList<CHTMLMap*, CHTMLMap*>* m_pMaps = nullptr;
    CHTMLMap* m_pOpenMap = nullptr;
    CHTMLObjectTag* m_pOpenObjectTag = nullptr;
    CHtmlFileMultimedia* m_pBgSound = nullptr;
    CList<CHtmlFileFrameset*, CHtmlFileFrameset*>* m_pFramesets = nullptr;
    CList<CHtmlFileFrameset*, CHtmlFileFrameset*>* m_pFramesetStack = nullptr;
    CList<CHTMLTemplateTag*, CHTMLTemplateTag*>* m_pTemplateTags = nullptr;
    CList<CHTMLObjectTag*, CHTMLObjectTag*>* m_pObjectTags = nullptr;

    // While set, ParseFile treats the document as current: a save in
    // progress must not be re-read under its own feet (a placeholder asks
    // for the title while it is written).
    BOOL m_bNoReparse = FALSE;

private:
    // Whether the title, style link and background sound are in
    // m_listObjects (and the sound in m_pMultimedia), so the parse need not
    // search the list at every such tag.
    BOOL m_bTitleListed = FALSE;
    BOOL m_bStyleLinkListed = FALSE;
    BOOL m_bBgSoundListed = FALSE;
    BOOL m_bBgSoundInMultimedia = FALSE;
    // How many svg and math elements are open where the parse is: a title
    // inside one is not the page's.
    int m_nForeignDepth = 0;
    // The encoding the last reading found for a file without a byte-order
    // mark (a CkvuuStdioFile::Encoding), or -1: a save of the unchanged file
    // need not read it through again to find it.
    int m_nEncodingFound = -1;
    // What the last parse found (the encoding's name, and a
    // CkvuuStdioFile::Source or -1); and the encoding the caller gave, or -1
    // (-2: a label not known).
    CString m_strEncodingRead;
    int m_nEncodingSource = -1;
    int m_nEncodingGiven = -1;

    // The version of the file the last complete parse read.
    htmlfile_platform::FileIdentity m_identity;
    CString m_strLastFailure;
    BOOL Fail(const CString& strCause);
    // Waits for a lock on the open file (shared for a parse, exclusive for
    // a save); false, with the cause set, when none can be had.
    bool Lock(const CFile& file, bool bExclusive);

    // With SAVE_CHANGED_ONLY: what each recorded element's writer writes
    // right after the parse, kept as a number in the element.
    void TakeFingerprints();
    void FingerprintRecorded(CHTMLObject* pElement);
    std::unique_ptr<htmlfile_detail::WriterFingerprint> m_pFingerprint;
    enum class ParseOutcome { parsed, failed, changedWhileRead };
    ParseOutcome ParseOnce();
    void FinishParse();
    // Opens pszPath and locks it for a save; the identity of the version
    // locked in identity. Fails (with the cause set) when it can't be had.
    bool OpenLocked(const wchar_t* pszPath, CFile& file, htmlfile_platform::FileIdentity& identity);
    // Locks the document's file and makes sure it is the version parsed;
    // with bAsk, a changed file is put to the user (Yes reads it again).
    bool LockParsedVersion(CFile& locked, htmlfile_platform::FileIdentity& identity, bool bAsk);
    bool AskToSaveOverChange();
    // Writes the new text, copied from the locked old file, into a new file
    // (permission bits nMode) beside strTarget, with paths relative to
    // strWrittenAs; its path in strNewText. Throws CFileException when
    // reading or writing fails.
    bool WriteNewText(const CFile& locked, const CString& strTarget, const CString& strWrittenAs,
                      unsigned int nMode, CString& strNewText);
    // Writes the new text and has `place` put it where it belongs; a failure
    // leaves the document as it was.
    using NewTextPlacer = std::function<htmlfile_platform::ReplaceResult(const CString& strNewText)>;
    BOOL WriteAndReplace(const CFile& locked, const CString& strTarget, const CString& strWrittenAs,
                         unsigned int nMode, htmlfile_platform::ReplaceResult& result, const NewTextPlacer& place);
    BOOL FinishSave(const htmlfile_platform::ReplaceResult& result);

    // The tag names the recognition acts on (defined with it).
    enum class KnownTag : unsigned char;
    static KnownTag ClassifyTag(const wchar_t* pszTag);
    // Parts of the tag recognition, one per element kind.
    unsigned int OnStartTag(KnownTag tag, const wchar_t* pszTag, TagAttribute* pAttributes);
    unsigned int OnEndTag(KnownTag tag, const wchar_t* pszTag);
    unsigned int OnCommonStartTag(KnownTag tag, const wchar_t* pszTag, TagAttribute* pAttributes);
    void OnLink(TagAttribute* pAttributes);
    void OnTemplateMeta(TagAttribute* pAttributes);
    void OnAnchor(TagAttribute* pAttributes);
    void OnImage(TagAttribute* pAttributes);
    void OnBgSound(TagAttribute* pAttributes);
    void OnMapStart(TagAttribute* pAttributes);
    void OnArea(TagAttribute* pAttributes);
    void OnObjectStart(TagAttribute* pAttributes);
    void OnParam(TagAttribute* pAttributes);
    void OnMapEnd();
    void OnObjectEnd();
    void OnFramesetStart(TagAttribute* pAttributes);
    void OnFrame(TagAttribute* pAttributes);
    void OnFramesetEnd();
    void CreateFramesetLists();
    void ConstructCommon(DWORD dwFlags, BOOL bTempFile);
    void FeedFile(CkvuuStdioFile& file);
    void MakeBgImageAbsolute();
    bool BgImageIsAPath() const;
};
