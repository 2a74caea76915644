#include "support/Helpers.h"
#include "support/RoundTrip.h"

#include <htmlfile/text/TextEncoding.h>
#include <htmlfile/platform/CaseFold.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

using Encoding = CkvuuStdioFile::Encoding;

// Where two byte strings first differ, with up to 24 bytes before and 40
// from there of each, other bytes than printable ASCII as \xNN.
std::string DescribeDifference(const std::string& strExpected, const std::string& strActual)
{
    const auto at = static_cast<size_t>(
        std::mismatch(strExpected.begin(), strExpected.end(), strActual.begin(), strActual.end()).first -
        strExpected.begin());
    auto around = [at](const std::string& bytes) {
        std::string out = "\"";
        for (size_t i = at > 24 ? at - 24 : 0; i < bytes.size() && i < at + 40; ++i) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(bytes[i]));
            out += (i == at ? "[HERE]" : "") + (bytes[i] >= 0x20 && bytes[i] < 0x7F ? std::string(1, bytes[i]) : escaped);
        }
        return out + "\"";
    };
    return "first difference at byte " + std::to_string(at) + " (of " + std::to_string(strExpected.size()) + " expected, " +
           std::to_string(strActual.size()) + " written): expected " + around(strExpected) + ", got " + around(strActual);
}

Encoding EncodingOf(const wchar_t* pszFile, size_t* pTextStart = nullptr)
{
    CkvuuStdioFile file(pszFile, CFile::modeRead | CFile::shareDenyNone);
    if (pTextStart && file.HasByteOrderMark()) htmlfile_text::ByteOrderMarkBytes(file.GetEncoding(), pTextStart);
    return file.GetEncoding();
}

size_t CountReferences(const std::string& text)
{
    size_t nCount = 0;
    for (size_t at = text.find("&#"); at != std::string::npos; at = text.find("&#", at + 2)) ++nCount;
    return nCount;
}

std::string ObjectReason(const CHTMLObjectTag& object, Encoding encoding)
{
    if (object.IsDeleted()) return {};
    std::vector<int> perBucket(17, 0); // the attribute map's buckets decide the order they are written in
    for (POSITION pos = object.GetAttributeHeadPosition(); pos;) {
        CString strName, strValue;
        object.GetNextAttribute(pos, strName, strValue);
        if (++perBucket[CMapStringToString::HashKey(strName) % 17] == 2)
            return "an object element with two attributes in one hash bucket";
        // The writer breaks its line by the length of what it wrote; a
        // character the file's encoding can't hold (or a lone surrogate) is
        // written as "&#N;", which reads back longer.
        const std::wstring strBoth = strName.str() + strValue.str();
        const bool bUtf16 = encoding == CkvuuStdioFile::encodingUtf16LE || encoding == CkvuuStdioFile::encodingUtf16BE;
        if (!bUtf16 && CountReferences(EncodeText(strBoth, encoding, false)) != CountReferences(WideToUtf8(strBoth.c_str())))
            return "an object attribute the file's encoding can't hold, read back longer";
    }
    return {};
}

// Whether a frameset of the layout is written as a bare "<frameset>" (one
// column and one row), which reading does not take for a frameset.
bool HasBareFrameset(const CHtmlFileFrameset& frameset)
{
    if (frameset.m_listCols.GetCount() <= 1 && frameset.m_listRows.GetCount() <= 1) return true;
    for (POSITION pos = frameset.m_listItems.GetHeadPosition(); pos;) {
        const auto* pChild = dynamic_cast<const CHtmlFileFrameset*>(frameset.m_listItems.GetNext(pos));
        if (pChild && HasBareFrameset(*pChild)) return true;
    }
    return false;
}

std::string ElementReason(const CHTMLObject* pElement, Encoding encoding)
{
    if (auto* pFrameset = dynamic_cast<const CHtmlFileFrameset*>(pElement); pFrameset && HasBareFrameset(*pFrameset))
        return "a frameset written without cols and rows";
    if (auto* pObject = dynamic_cast<const CHTMLObjectTag*>(pElement)) return ObjectReason(*pObject, encoding);
    if (auto* pTag = dynamic_cast<const CHTMLTag*>(pElement)) {
        for (const TagAttribute* p = pTag->m_pAttributes; p; p = p->m_pNext) {
            // Reading and the setters take the first of two alike; once it
            // is emptied and left out, the next read takes the second.
            for (const TagAttribute* q = p->m_pNext; q && p->m_pszName; q = q->m_pNext)
                if (q->m_pszName && CompareFolded(p->m_pszName, q->m_pszName) == 0)
                    return "a start tag with an attribute given twice";
        }
    }
    return {};
}

constexpr const wchar_t* kProbe = L"htmlfile-probe";

// What the reading rules take from tags that are not recorded themselves:
// the link and bgsound tags, the start tags that ended an open object element
// unrecorded (any start tag with attributes but a parameter), and whether
// the text ends inside markup (a tag, comment or quoted value).
struct FileTags : HTMLCallback {
    int nLinks = 0, nBgSounds = 0;
    bool bBgSoundWithoutSource = false, bEndsInsideMarkup = false, bObjectOpen = false;
    int nProbeBegin = 0; // where a tag fed after the file's text began
    std::vector<int> objectEnders;

    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                          TagAttribute* const pAttributes) override
    {
        if (reason == HTMLCB_STARTTAG && CompareFolded(pszTag, kProbe) == 0) nProbeBegin = html.TagBegin();
        const bool bObject = CompareFolded(pszTag, L"object") == 0;
        if (reason == HTMLCB_ENDTAG && bObject) bObjectOpen = false;
        if (reason != HTMLCB_STARTTAG || !pAttributes) return HTMLCB_NONE;
        if (bObjectOpen && CompareFolded(pszTag, L"param") != 0) {
            objectEnders.push_back(html.TagBegin());
            bObjectOpen = false;
        }
        bObjectOpen = bObjectOpen || bObject;
        if (CompareFolded(pszTag, L"link") == 0) {
            ++nLinks;
        } else if (CompareFolded(pszTag, L"bgsound") == 0) {
            ++nBgSounds;
            bBgSoundWithoutSource = bBgSoundWithoutSource || !pAttributes->FindAttribute(L"src");
        }
        return HTMLCB_NONE;
    }
};

FileTags ScanFile(const wchar_t* pszFile)
{
    FileTags tags;
    HTML scanner;
    scanner.init();
    scanner.regcallback(&tags);
    CkvuuStdioFile file(pszFile, CFile::modeRead | CFile::shareDenyNone);
    wchar_t buffer[1024];
    while (UINT nRead = file.Read(buffer, 1024, nullptr)) {
        const std::string bytes = WideToUtf8(buffer, nRead);
        scanner.Feed(bytes.data(), bytes.size());
    }
    // Whatever is written after the old text is read as markup of its own
    // only if a tag fed there is reported where it begins.
    const long long nEnd = scanner.Position();
    const std::string probe = "<" + WideToUtf8(kProbe) + ">";
    scanner.Feed(probe.data(), probe.size());
    tags.bEndsInsideMarkup = tags.nProbeBegin != nEnd + 1;
    return tags;
}

// Whether the element's writer leaves out what made its tag end an open
// object element: it writes nothing, or a tag without attributes.
bool LosesItsAttributes(const CHTMLObject& element)
{
    if (auto* pLink = dynamic_cast<const CHTMLStyleLink*>(&element)) return pLink->m_strHref.IsEmpty();
    if (auto* pMedia = dynamic_cast<const CHtmlFileMultimedia*>(&element)) return pMedia->m_strSrc.IsEmpty();
    if (auto* pObject = dynamic_cast<const CHTMLObjectTag*>(&element)) return pObject->IsDeleted();
    // A placeholder writes nothing, or the title as text.
    if (dynamic_cast<const CHTMLTemplateTag*>(&element)) return true;
    if (auto* pTag = dynamic_cast<const CHTMLTag*>(&element)) {
        for (const TagAttribute* p = pTag->m_pAttributes; p; p = p->m_pNext)
            if (p->m_pszValue && *p->m_pszValue) return false;
        return true;
    }
    return false;
}

// Why a second save of the saved file may legitimately differ from the
// first (see SaveTwiceAndCheck); empty when it must not.
std::string UnstableRewriteReason(RoundTripDocument& doc)
{
    std::vector<const CHTMLObject*> elements, read;
    for (POSITION pos = doc.RecordedElements().GetHeadPosition(); pos;) {
        if (const CHTMLObject* pElement = doc.RecordedElements().GetNext(pos)) {
            elements.push_back(pElement);
            if (pElement->m_nEnd != -1) read.push_back(pElement);
        }
    }
    for (const CHTMLObject* pOuter : read) {
        if (pOuter->m_nBegin < 1 || pOuter->m_nEnd < pOuter->m_nBegin) continue;
        for (const CHTMLObject* pInner : read)
            if (pInner != pOuter && pOuter->m_nBegin <= pInner->m_nBegin && pInner->m_nBegin <= pOuter->m_nEnd)
                return "an element inside another's span, replaced by another of its kind on reading";
    }
    const FileTags tags = ScanFile(doc.GetFileName());
    const CHtmlFileMultimedia* pSound = nullptr;
    bool bInserted = false, bFreesAnObject = false, bEmptiedStyleSheet = false;
    for (const CHTMLObject* pElement : elements) {
        bInserted = bInserted || pElement->m_nEnd == -1;
        bFreesAnObject = bFreesAnObject || (pElement->m_nEnd != -1 && LosesItsAttributes(*pElement) &&
                                            std::count(tags.objectEnders.begin(), tags.objectEnders.end(),
                                                       pElement->m_nBegin));
        if (auto* p = dynamic_cast<const CHtmlFileMultimedia*>(pElement); p && p->m_nType == 1 && !pSound) pSound = p;
        if (auto* p = dynamic_cast<const CHTMLStyleLink*>(pElement))
            bEmptiedStyleSheet = bEmptiedStyleSheet || (p->m_nEnd != -1 && p->m_strHref.IsEmpty());
    }
    if ((doc.Flags() & PARSE_OBJECTTAGS) && bFreesAnObject)
        return "a tag that ended an object element unrecorded is written without attributes";
    // An emptied style sheet link writes nothing; the next read may take a
    // later style sheet link and write it anew.
    if (bEmptiedStyleSheet && tags.nLinks >= 2)
        return "an emptied style sheet link with a later link, which the next read may take";
    // Likewise every bgsound tag moves the sound's span to itself; one
    // without src keeps the path, and an empty path writes nothing.
    if (pSound && (tags.bBgSoundWithoutSource || (tags.nBgSounds >= 2 && pSound->m_strSrc.IsEmpty())))
        return "a later bgsound tag takes the background sound's place on reading";
    if (const wchar_t* pszImage = doc.GetBgImage(); pszImage && (doc.Flags() & PARSE_BODY)) {
        // Written relative to the document, then read back resolved and made
        // relative again.
        const CString strDocument(doc.GetFileName());
        CString strWritten(pszImage), strAbsolute, strReadBack;
        RelativeFileNameFromFileName(strDocument, CString(pszImage), &strWritten, 1, 1, 0);
        if (!AbsoluteFileNameFromFileName(strDocument, strWritten, &strAbsolute)) strReadBack = strWritten;
        else if (!RelativeFileNameFromFileName(strDocument, strAbsolute, &strReadBack, 1, 1, 0)) strReadBack = strAbsolute;
        if (strReadBack.str() != strWritten.str()) return "a background image path in another form than reading gives it";
    }
    if (tags.bEndsInsideMarkup && bInserted)
        return "an element written after an unfinished tag at the end joins that tag";
    const Encoding encoding = EncodingOf(doc.GetFileName());
    for (const CHTMLObject* pElement : elements)
        if (std::string strReason = ElementReason(pElement, encoding); !strReason.empty()) return strReason;
    return {};
}

// Byte offset of every decoded character, and of the end; with pLineEnds,
// also which characters are CR or LF.
std::vector<size_t> CharacterOffsets(const std::string& source, size_t nTextStart, Encoding encoding,
                                     std::vector<bool>* pLineEnds = nullptr)
{
    std::vector<size_t> offsets;
    const auto* begin = reinterpret_cast<const unsigned char*>(source.data());
    const unsigned char* const end = begin + source.size();
    // Units of one sequence all start where it starts; bytes that give no
    // unit of their own (an escape sequence) belong to the unit after them.
    htmlfile_text::Decoder decoder(encoding);
    const unsigned char* start = begin + nTextStart;
    for (const unsigned char* p = start; p < end;) {
        wchar_t units[htmlfile_text::kMaxUnitsPerSequence];
        const unsigned char* const before = p;
        const size_t n = decoder.DecodeStep(&p, end, true, units);
        if (p == before) throw std::runtime_error("the decoder stalled at byte " + std::to_string(p - begin));
        for (size_t i = 0; i < n; ++i) {
            offsets.push_back(static_cast<size_t>(start - begin));
            if (pLineEnds) pLineEnds->push_back(units[i] == L'\r' || units[i] == L'\n');
        }
        if (n > 0) start = p;
    }
    offsets.push_back(source.size());
    return offsets;
}

} // namespace

std::string ReadBytes(const std::string& strPath)
{
    // u8path: on Windows an 8-bit name would be read in the ANSI code page.
    std::ifstream in(std::filesystem::u8path(strPath), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + strPath);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream out(std::filesystem::u8path(strPath), std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + strPath);
}

std::string EncodeText(const std::wstring& strText, CkvuuStdioFile::Encoding encoding, bool bMark)
{
    size_t nMark = 0;
    const unsigned char* pMark = htmlfile_text::ByteOrderMarkBytes(encoding, &nMark);
    std::string bytes(reinterpret_cast<const char*>(pMark), bMark ? nMark : 0);
    unsigned char buffer[4096];
    for (const wchar_t* p = strText.data(); p < strText.data() + strText.size();) {
        const size_t n = htmlfile_text::EncodeUnits(encoding, &p, strText.data() + strText.size(), buffer, sizeof buffer);
        bytes.append(reinterpret_cast<const char*>(buffer), n);
    }
    return bytes;
}

std::pair<size_t, size_t> ByteSpan(const std::wstring& strFile, int nBegin, int nEnd)
{
    size_t nTextStart = 0;
    const Encoding encoding = EncodingOf(strFile.c_str(), &nTextStart);
    const std::vector<size_t> offsets = CharacterOffsets(ReadBytes(WideToUtf8(strFile.c_str())), nTextStart, encoding);
    return {offsets.at(static_cast<size_t>(nBegin) - 1), offsets.at(static_cast<size_t>(nEnd))};
}

RoundTripExpectation RoundTripExpectation::Capture(RoundTripDocument& doc, const std::wstring& strTargetPath)
{
    doc.PrepareSaveTo(strTargetPath.c_str());
    const std::string source = ReadBytes(WideToUtf8(doc.GetFileName()));
    size_t nTextStart = 0;
    const Encoding encoding = EncodingOf(doc.GetFileName(), &nTextStart);

    // Every writer writes once into a scratch file in the document's
    // encoding; the file's length after each tells its bytes apart.
    const TempDir scratchDir;
    const std::string strScratch = scratchDir.File("scratch.htm");
    struct Element {
        int nBegin, nEnd;
        std::string strBytes; // what its writer produces
        bool bAsRead;         // copied as it stands
        std::string strBytesBeforeLineEnd;
    };
    std::vector<Element> elements;
    std::vector<size_t> bounds;
    {
        CkvuuStdioFile scratch(Utf8ToWide(strScratch.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
        scratch.SetEncoding(encoding, FALSE);
        scratch.Write(L"\r\n", 2);
        bounds.push_back(scratch.GetLength());
        for (POSITION pos = doc.RecordedElements().GetHeadPosition(); pos;) {
            if (CHTMLObject* pElement = doc.RecordedElements().GetNext(pos)) {
                elements.push_back({pElement->m_nBegin, pElement->m_nEnd, {}, doc.IsAsRead(pElement), {}});
                pElement->Generate(&scratch);
                bounds.push_back(scratch.GetLength());
                pElement->GenerateBeforeLineEnd(&scratch);
                bounds.push_back(scratch.GetLength());
            }
        }
        scratch.Close();
    }
    const std::string strWritten = ReadBytes(strScratch), strLineEnd = strWritten.substr(0, bounds[0]); // CR LF, encoded
    for (size_t i = 0; i < elements.size(); ++i) {
        elements[i].strBytes = strWritten.substr(bounds[2 * i], bounds[2 * i + 1] - bounds[2 * i]);
        elements[i].strBytesBeforeLineEnd = strWritten.substr(bounds[2 * i + 1], bounds[2 * i + 2] - bounds[2 * i + 1]);
    }

    std::vector<bool> lineEnds;
    const std::vector<size_t> offsets = CharacterOffsets(source, nTextStart, encoding, &lineEnds);

    RoundTripExpectation expectation;
    // Elements read from the file, each with the run of inserted elements
    // that stands before it in the list.
    struct Read {
        const Element* pElement;
        std::vector<const Element*> run;
    };
    std::vector<Read> reads;
    std::vector<const Element*> run;
    for (const Element& element : elements) {
        if (element.nEnd == -1) {
            run.push_back(&element);
        } else {
            reads.push_back({&element, run});
            run.clear();
        }
    }
    std::stable_sort(reads.begin(), reads.end(),
                     [](const Read& a, const Read& b) { return a.pElement->nBegin < b.pElement->nBegin; });

    std::vector<bool> kept(reads.size(), false);
    for (size_t i = 0, nLastKeptEnd = 0; i < reads.size(); ++i) {
        const Element& e = *reads[i].pElement;
        kept[i] = e.nBegin >= 1 && e.nEnd >= e.nBegin && static_cast<size_t>(e.nBegin) > nLastKeptEnd;
        if (kept[i]) nLastKeptEnd = static_cast<size_t>(e.bAsRead ? e.nBegin - 1 : e.nEnd);
    }

    // Where each run goes; reads.size() stands for after the old text.
    std::vector<std::vector<const Element*>> before(reads.size() + 1);
    for (size_t i = 0; i < reads.size(); ++i) {
        size_t target = reads.size();
        const int nBegin = reads[i].pElement->nBegin;
        for (size_t k = 0; k < reads.size() && target == reads.size(); ++k)
            if (kept[k] && (k == i || (!reads[k].pElement->bAsRead && reads[k].pElement->nBegin <= nBegin &&
                                        nBegin <= reads[k].pElement->nEnd)))
                target = k;
        for (size_t k = i + 1; k < reads.size() && target == reads.size(); ++k)
            if (kept[k]) target = k;
        before[target].insert(before[target].end(), reads[i].run.begin(), reads[i].run.end());
    }
    before.back().insert(before.back().end(), run.begin(), run.end());

    const size_t nCharacters = offsets.size() - 1;
    auto copyOld = [&](size_t from, size_t to) {
        if (to > nCharacters || from > to) {
            if (expectation.m_strProblem.empty()) expectation.m_strProblem = "a recorded element's span lies outside the file";
            return;
        }
        expectation.m_strExpected += source.substr(offsets[from], offsets[to] - offsets[from]);
    };
    auto writeRun = [&](const std::vector<const Element*>& inserted) {
        for (const Element* pInserted : inserted) expectation.m_strExpected += pInserted->strBytes + strLineEnd;
    };
    expectation.m_strExpected = source.substr(0, nTextStart); // the byte-order mark
    size_t nConsumed = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
        if (!kept[i]) continue;
        const Element& e = *reads[i].pElement;
        copyOld(nConsumed, static_cast<size_t>(e.nBegin) - 1);
        writeRun(before[i]);
        if (e.bAsRead) {
            nConsumed = static_cast<size_t>(e.nBegin) - 1;
            continue;
        }
        const bool bLineEndFollows = static_cast<size_t>(e.nEnd) < lineEnds.size() && lineEnds[e.nEnd];
        expectation.m_strExpected += bLineEndFollows ? e.strBytesBeforeLineEnd : e.strBytes;
        nConsumed = static_cast<size_t>(e.nEnd);
    }
    copyOld(nConsumed, nCharacters);
    writeRun(before.back());
    return expectation;
}

std::string RoundTripExpectation::Check(const std::string& strSaved) const
{
    if (!m_strProblem.empty()) return m_strProblem;
    return strSaved == m_strExpected ? "" : "saved file differs, " + DescribeDifference(m_strExpected, strSaved);
}

std::string SaveAndCheck(RoundTripDocument& doc, const std::wstring& strTarget)
{
    const RoundTripExpectation expectation = RoundTripExpectation::Capture(doc, strTarget);
    const bool bOwnPath = strTarget == doc.GetFileName();
    if (!(bOwnPath ? doc.SaveFile() : doc.SaveFileAs(strTarget.c_str()))) return "the save returned 0";
    return expectation.Check(ReadBytes(WideToUtf8(strTarget.c_str())));
}

std::string SaveTwiceAndCheck(RoundTripDocument& doc, const std::wstring& strFirst, const std::wstring& strSecond,
                              std::string& strSkipped)
{
    // Judged before and after the first save: a value with a double quote,
    // for one, is gone from the document once the save read it again.
    strSkipped = UnstableRewriteReason(doc);
    size_t nMark = 0, nSavedMark = 0;
    const Encoding encoding = EncodingOf(doc.GetFileName(), &nMark);
    std::string strError = SaveAndCheck(doc, strFirst);
    if (!strError.empty()) return strError;
    if (strSkipped.empty() && (EncodingOf(strFirst.c_str(), &nSavedMark) != encoding || nSavedMark != nMark))
        strSkipped = "the saved file reads in another encoding (its only non-UTF-8 bytes were rewritten)";
    if (strSkipped.empty()) strSkipped = UnstableRewriteReason(doc);
    if (!strSkipped.empty()) return {};

    const std::string strFirstBytes = ReadBytes(WideToUtf8(strFirst.c_str()));
    strError = SaveAndCheck(doc, strSecond);
    if (!strError.empty()) return "second save: " + strError;
    const std::string strSecondBytes = ReadBytes(WideToUtf8(strSecond.c_str()));
    if (strSecondBytes != strFirstBytes)
        return "a second save differs from the first, " + DescribeDifference(strFirstBytes, strSecondBytes);
    return {};
}
