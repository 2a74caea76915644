// Construction, destruction and the per-parse set-up and tear-down of a
// document.
#include <htmlfile/document/Fingerprint.h>
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/text/Template.h>
#include <htmlfile/platform/TempFile.h>
#include <htmlfile/resources/Resources.h>

#include <optional>

namespace {

constexpr ULONGLONG kUnparsedMarker = ~0ULL;

DWORD TemplateFor(int nBare, int nWithTitle)
{
    if (nBare == 0) return 1;
    return nWithTitle == 0 ? 2 : 3;
}

template <class T>
void DeleteList(CList<T*, T*>*& pList)
{
    if (!pList) return;
    for (POSITION pos = pList->GetHeadPosition(); pos;) delete pList->GetNext(pos);
    delete pList;
    pList = nullptr;
}

template <class T>
void DeleteView(CList<T*, T*>*& pList)
{
    delete pList;
    pList = nullptr;
}

} // namespace

void CHtmlFile::ConstructCommon(DWORD dwFlags, BOOL bTempFile)
{
    m_dwFlags = dwFlags;
    m_bTempFile = bTempFile;
    m_bValid = FALSE;
    m_fileStatus = CFileStatus();
}

CHtmlFile::CHtmlFile(const wchar_t* pszFileName, DWORD dwFlags, const wchar_t* pszEncoding)
{
    ConstructCommon(dwFlags, FALSE);
    m_strFileName = pszFileName;
    if (pszEncoding) {
        const std::optional<htmlfile_text::EncodingId> given = htmlfile_text::EncodingForLabel(WideToUtf8(pszEncoding));
        m_nEncodingGiven = given ? static_cast<int>(*given) : -2;
        if (!given) {
            Fail(L"unknown encoding: " + CString(pszEncoding));
            m_fileStatus.m_size = kUnparsedMarker;
            return;
        }
    }
    m_fileStatus.m_size = kUnparsedMarker;
    ParseFile();
}

CHtmlFile::CHtmlFile(int nBare, int nWithTitle)
{
    ConstructCommon(PARSE_ALL, TRUE);
    wchar_t szTempPath[MAX_PATH];
    DWORD nTempPath = GetTempPathW(MAX_PATH, szTempPath);
    if (nTempPath == 0 || nTempPath >= MAX_PATH) return;
    wchar_t szTempFile[MAX_PATH];
    if (GetTempFileNameW(szTempPath, L"QL", 0, szTempFile) == 0) {
        const int nError = htmlfile_platform::LastError();
        Fail(L"cannot create a new topic's file in " + CString(szTempPath) + L": " +
             htmlfile_platform::ErrorText(nError));
        return;
    }

    CTemplate topicTemplate;
    topicTemplate.LoadRCData(htmlfile_resources::ModuleHandle(), TemplateFor(nBare, nWithTitle));
    topicTemplate.WriteFile(szTempFile, CFile::modeCreate | CFile::modeWrite);

    m_strFileName = szTempFile;
    m_fileStatus.m_size = kUnparsedMarker;
    ParseFile();
}

CHtmlFile::~CHtmlFile()
{
    Clear();
    if (m_bTempFile && !m_strFileName.IsEmpty()) {
        try {
            CFile::Remove(m_strFileName);
        } catch (const CFileException&) {
            // The temporary file is gone already or can't be removed; the
            // document is destroyed all the same.
        }
    }
}

int CHtmlFile::Init()
{
    if (!m_pScanner) {
        m_pScanner = new HTML;
        m_pScanner->init();
        m_pScanner->regcallback(this);
    } else {
        m_pScanner->init();
    }

    if (m_dwFlags & PARSE_BOOKMARKS) m_pBookmarks = new CList<CString*, CString*>(10);
    if (m_dwFlags & PARSE_LINKS) m_pLinks = new CList<CString*, CString*>(10);
    if (m_dwFlags & PARSE_IMAGES) m_pImages = new CList<CHTMLImage*, CHTMLImage*>(10);
    if (m_dwFlags & PARSE_MAPS) m_pMaps = new CList<CHTMLMap*, CHTMLMap*>(10);
    if (m_dwFlags & PARSE_OBJECTTAGS) m_pObjectTags = new CList<CHTMLObjectTag*, CHTMLObjectTag*>(10);
    if (m_dwFlags & PARSE_TEMPLATES) m_pTemplateTags = new CList<CHTMLTemplateTag*, CHTMLTemplateTag*>(10);
    if (m_dwFlags & PARSE_MULTIMEDIA) m_pMultimedia = new CList<CHtmlFileMultimedia*, CHtmlFileMultimedia*>(10);

    if (m_dwFlags & PARSE_TITLE) m_pTitle = new CHTMLTitle;
    if (m_dwFlags & PARSE_STYLESHEET) m_pStyleLink = new CHTMLStyleLink;
    return 0;
}

void CHtmlFile::Clear()
{
    delete m_pOpenObjectTag;
    m_pOpenObjectTag = nullptr;
    m_pOpenMap = nullptr;

    DeleteList(m_pBookmarks);
    DeleteList(m_pLinks);
    DeleteList(m_pImages);

    if (m_pMultimedia) {
        for (POSITION pos = m_pMultimedia->GetHeadPosition(); pos;) {
            CHtmlFileMultimedia* pMedia = m_pMultimedia->GetNext(pos);
            if (pMedia != m_pBgSound) delete pMedia;
        }
        DeleteView(m_pMultimedia);
    }

    // Framesets still open when the parse ended belong to no list; a
    // frameset owns its children, so deleting the open ones frees all.
    if (m_pFramesetStack) {
        for (POSITION pos = m_pFramesetStack->GetHeadPosition(); pos;) delete m_pFramesetStack->GetNext(pos);
    }
    DeleteView(m_pFramesets);
    DeleteView(m_pFramesetStack);

    if (m_pScanner) {
        m_pScanner->init();
        delete m_pScanner;
        m_pScanner = nullptr;
    }

    for (POSITION pos = m_listObjects.GetHeadPosition(); pos;) {
        CHTMLObject* pObject = m_listObjects.GetNext(pos);
        if (pObject == m_pBodyTag) m_pBodyTag = nullptr;
        if (pObject == m_pTitle) m_pTitle = nullptr;
        if (pObject == m_pStyleLink) m_pStyleLink = nullptr;
        if (pObject == m_pBgSound) m_pBgSound = nullptr;
        delete pObject;
    }
    m_listObjects.RemoveAll();

    delete m_pBodyTag;
    m_pBodyTag = nullptr;
    delete m_pTitle;
    m_pTitle = nullptr;
    delete m_pStyleLink;
    m_pStyleLink = nullptr;
    delete m_pBgSound;
    m_pBgSound = nullptr;

    DeleteView(m_pMaps);
    DeleteView(m_pTemplateTags);
    DeleteView(m_pObjectTags);

    m_bTitleListed = m_bStyleLinkListed = m_bBgSoundListed = m_bBgSoundInMultimedia = FALSE;
    m_nForeignDepth = 0;
}
