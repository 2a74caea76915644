// The round-trip checker: the new file must be the old one with exactly the
// recorded elements' spans replaced by what their writers produce, in the old
// file's encoding and byte-order mark, and nothing else changed, lost or
// repeated. The expected bytes are worked out without the save code:
//   - positions are 1-based counts of decoded characters; m_nEnd == -1 marks
//     an element the caller inserted;
//   - elements read from the file are taken in order of m_nBegin (stable);
//     one whose span is incomplete or that begins at or before the end of an
//     element already kept is left out (its old text is copied or covered);
//   - each run of inserted elements is written, each followed by CR LF, just
//     before the element that follows it in the list; when that element was
//     left out, before the kept element covering it, else before the next
//     kept one, else after the end of the old text;
//   - a kept element that is as it was read (SAVE_CHANGED_ONLY) is not
//     written: its old text is copied, and it covers nothing;
//   - a kept element whose writer ends with a line end is written without
//     it where the old text after its span begins with CR or LF.
// Unchanged text is compared byte for byte with the old file, not decoded
// and encoded again, so a codec that loses bytes is caught too.
#pragma once

#include <htmlfile/htmlfile.h>

#include <string>
#include <utility>

// A document that lets the checker see its recorded elements, which the
// library keeps protected on purpose.
class RoundTripDocument : public CHtmlFile {
public:
    using CHtmlFile::CHtmlFile;

    const CList<CHTMLObject*, CHTMLObject*>& RecordedElements() const noexcept { return m_listObjects; }
    // A save first makes the background image and sound paths relative to
    // the file it writes; doing the same here lets the writers produce now
    // what the save will write.
    void PrepareSaveTo(const wchar_t* pszPath) { UpdateRelativePaths(pszPath); }
    DWORD Flags() const noexcept { return m_dwFlags; }
    CHTMLStyleLink* StyleLink() const noexcept { return m_pStyleLink; }
    CHTMLTag* BodyTag() const noexcept { return m_pBodyTag; }
    // The title element when the parse recorded one in the file.
    const CHTMLObject* TitleElement() const
    {
        return m_pTitle && m_listObjects.Find(m_pTitle) && m_pTitle->m_nBegin > 0 ? m_pTitle : nullptr;
    }
    // With SAVE_CHANGED_ONLY, the library's word on whether the element is
    // as it was read (its old text is then copied; checked elsewhere
    // against the bytes of the file).
    bool IsAsRead(CHTMLObject* pElement) const
    {
        return (m_dwFlags & SAVE_CHANGED_ONLY) && IsUnchangedSinceParse(pElement);
    }
};

class RoundTripExpectation {
public:
    // Reads the document's file and what each recorded element writes in
    // that file's encoding. Call right before saving to strTargetPath, with no
    // fault armed: the writers run once here, into a scratch file. Throws
    // when the document's file can't be read.
    static RoundTripExpectation Capture(RoundTripDocument& doc, const std::wstring& strTargetPath);

    const std::string& ExpectedBytes() const noexcept { return m_strExpected; }
    // Empty when strSaved is exactly the expected bytes; otherwise where
    // they first differ, with the bytes around it.
    std::string Check(const std::string& strSaved) const;

private:
    std::string m_strExpected;
    std::string m_strProblem; // set when a span does not fit the file
};

// Saves the document to strTarget (SaveFile when it is the document's own
// path, SaveFileAs otherwise) and checks the result. Empty on success,
// otherwise what went wrong. After it the document reads strTarget.
std::string SaveAndCheck(RoundTripDocument& doc, const std::wstring& strTarget);

// Saves the document to strFirst and then, unless a reason is known why a
// second save may legitimately differ (set in strSkipped, judged before and
// after the first save; the reasons, each a writer's fixed output format or
// a reading rule, are listed in UnstableRewriteReason), to strSecond,
// checking both saves and that the second wrote the same bytes as the
// first. Empty on success.
std::string SaveTwiceAndCheck(RoundTripDocument& doc, const std::wstring& strFirst, const std::wstring& strSecond,
                              std::string& strSkipped);

// The bytes [first, second) of the file that hold the characters at the
// 1-based positions nBegin to nEnd, as the file's encoding counts them.
std::pair<size_t, size_t> ByteSpan(const std::wstring& strFile, int nBegin, int nEnd);

// Whole-file helpers; ReadBytes throws std::runtime_error on failure.
std::string ReadBytes(const std::string& strPath);
void WriteBytes(const std::string& strPath, const std::string& strBytes);
// The text in the encoding, with its byte-order mark when bMark.
std::string EncodeText(const std::wstring& strText, CkvuuStdioFile::Encoding encoding, bool bMark);
