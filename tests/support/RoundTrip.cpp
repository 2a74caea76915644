#include "support/RoundTrip.h"

#include <htmlfile/outside/TextEncoding.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <typeinfo>
#include <unistd.h>

namespace {

using Encoding = CkvuuStdioFile::Encoding;

std::string Narrow(const wchar_t* psz)
{
    return WideToUtf8(psz ? psz : L"");
}

// Readable form of a few bytes for a failure message.
std::string Escape(const std::string& bytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
    return out;
}

std::string Around(const std::string& bytes, size_t at)
{
    const size_t from = at > 24 ? at - 24 : 0;
    return "\"" + Escape(bytes.substr(from, at - from)) + "[HERE]" + Escape(bytes.substr(at, 40)) + "\"";
}

std::string NameOf(const CHTMLObject& element)
{
    if (dynamic_cast<const CHTMLTitle*>(&element)) return "title";
    if (dynamic_cast<const CHTMLStyleLink*>(&element)) return "style sheet link";
    if (dynamic_cast<const CHTMLEndTag*>(&element)) return "end tag </" + Narrow(element.m_strTag) + ">";
    if (dynamic_cast<const CHTMLTag*>(&element)) return "start tag <" + Narrow(element.m_strTag) + ">";
    if (auto* pMap = dynamic_cast<const CHTMLMap*>(&element)) return "map \"" + Narrow(pMap->Name()) + "\"";
    if (dynamic_cast<const CHTMLObjectTag*>(&element)) return "object element";
    if (dynamic_cast<const CHtmlFileMultimedia*>(&element)) return "background sound";
    if (dynamic_cast<const CHTMLTemplateTag*>(&element)) return "template placeholder";
    if (dynamic_cast<const CHtmlFileFrameset*>(&element)) return "frameset";
    return typeid(element).name();
}

// A unique scratch file for the writers' output, in the temporary folder.
std::string ScratchPath()
{
    static std::atomic<unsigned> s_counter{0};
    const char* pszBase = std::getenv("TMPDIR");
    return std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/htmlfile-roundtrip-" +
           std::to_string(::getpid()) + "-" + std::to_string(s_counter++) + ".tmp";
}

// Byte offset in the file of every decoded character of its text, and of
// the end: offsets[k] is where character k (0-based) begins.
std::vector<size_t> CharacterOffsets(const std::string& bytes, size_t nTextStart, Encoding encoding)
{
    std::vector<size_t> offsets;
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* p = begin + nTextStart;
    const unsigned char* end = begin + bytes.size();
    while (p < end) {
        offsets.push_back(static_cast<size_t>(p - begin));
        wchar_t unit;
        if (htmlfile_text::DecodeUnits(encoding, &p, end, true, &unit, 1) != 1)
            throw std::runtime_error("the decoder stalled at byte " + std::to_string(p - begin));
    }
    offsets.push_back(bytes.size());
    return offsets;
}

bool HasQuote(const wchar_t* psz)
{
    return psz && std::wcschr(psz, L'"');
}

// The hash bucket an object attribute falls in (17 buckets, hash * 33 +
// unit over the name's UTF-16 units), which decides the order it is written.
// Every value above U+FFFF counts as a surrogate pair, the raw-byte values
// beyond Unicode too.
unsigned BucketOf(const CString& strName)
{
    std::uint32_t hash = 0;
    for (wchar_t ch : strName.str()) {
        const auto c = static_cast<std::uint32_t>(ch);
        if (c > 0xFFFF) {
            hash = hash * 33 + (0xD800 + ((c - 0x10000) >> 10));
            hash = hash * 33 + (0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            hash = hash * 33 + c;
        }
    }
    return hash % 17;
}

// Whether every character of the text is written as one in the encoding:
// windows-1252 writes the others as "&#N;", which reads back longer.
bool FitsEncoding(const CString& strText, Encoding encoding)
{
    if (encoding != CkvuuStdioFile::encodingWindows1252) return true;
    for (wchar_t ch : strText.str()) {
        unsigned char bytes[htmlfile_text::kMaxBytesPerEncodedUnit];
        const wchar_t* p = &ch;
        if (htmlfile_text::EncodeUnits(encoding, &p, p + 1, bytes, sizeof bytes) != 1) return false;
    }
    return true;
}

std::string ObjectReason(const CHTMLObjectTag& object, Encoding encoding)
{
    if (object.IsDeleted()) return {};
    std::vector<int> perBucket(17, 0);
    for (POSITION pos = object.GetAttributeHeadPosition(); pos;) {
        CString strName, strValue;
        object.GetNextAttribute(pos, strName, strValue);
        if (++perBucket[BucketOf(strName)] == 2) return "an object element with two attributes in one hash bucket";
        if (HasQuote(strValue)) return "an object attribute value with a double quote";
        // The writer breaks its line by the length of what it wrote.
        if (!FitsEncoding(strName, encoding) || !FitsEncoding(strValue, encoding))
            return "an object attribute the file's encoding can't hold, read back longer";
    }
    for (POSITION pos = object.GetParamHeadPosition(); pos;) {
        const CHTMLParam* pParam = object.GetNextParam(pos);
        if (pParam && (HasQuote(pParam->Name()) || HasQuote(pParam->Value())))
            return "a parameter with a double quote";
        if (pParam && pParam->Name().IsEmpty())
            return "a parameter or area with an empty name or href, written without it and dropped on reading";
    }
    return {};
}

std::string MapReason(const CHTMLMap& map)
{
    if (HasQuote(map.Name())) return "a map name with a double quote";
    for (POSITION pos = map.GetMapAreaHeadPosition(); pos;) {
        const CHTMLMapArea* pArea = map.GetNextMapArea(pos);
        if (pArea && (HasQuote(pArea->Shape()) || HasQuote(pArea->Coords()) || HasQuote(pArea->Href()) ||
                      HasQuote(pArea->Alt()) || HasQuote(pArea->Frame())))
            return "an area attribute with a double quote";
        if (pArea && pArea->Href().IsEmpty())
            return "a parameter or area with an empty name or href, written without it and dropped on reading";
    }
    return {};
}

std::string TagReason(const CHTMLTag& tag)
{
    for (const TagAttribute* p = tag.m_pAttributes; p; p = p->m_pNext)
        if (HasQuote(p->m_pszValue)) return "a start tag attribute value with a double quote";
    return {};
}

// The form a read gives a background image path that a save wrote as
// strWritten: resolved against the document, then made relative again.
std::wstring AsReadBack(const CString& strDocument, const CString& strWritten)
{
    CString strAbsolute, strRelative;
    if (!AbsoluteFileNameFromFileName(strDocument, strWritten, &strAbsolute)) return strWritten.str();
    if (!RelativeFileNameFromFileName(strDocument, strAbsolute, &strRelative, 1, 1, 0)) return strAbsolute.str();
    return strRelative.str();
}

constexpr const wchar_t* kProbe = L"htmlfile-probe";

// What the reading rules take from tags that are not recorded themselves:
// the href of every link tag, whether some bgsound tag has no src, and
// whether the text ends inside markup (a tag, comment or quoted value).
struct FileTags : HTMLCallback {
    std::vector<std::wstring> linkHrefs;
    int nBgSounds = 0;
    bool bBgSoundWithoutSource = false;
    bool bEndsInsideMarkup = false;
    int nProbeBegin = 0; // where a tag fed after the file's text began
    // Where the start tags begin that ended an open object element
    // unrecorded (any start tag with attributes but a parameter).
    std::vector<int> objectEnders;
    bool bObjectOpen = false;

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
        if (bObject) bObjectOpen = true;
        if (CompareFolded(pszTag, L"link") == 0) {
            const wchar_t* pszHref = pAttributes->FindAttribute(L"href");
            linkHrefs.push_back(pszHref ? pszHref : L"");
        } else if (CompareFolded(pszTag, L"bgsound") == 0) {
            ++nBgSounds;
            if (!pAttributes->FindAttribute(L"src")) bBgSoundWithoutSource = true;
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

const CHtmlFileMultimedia* BackgroundSound(const CList<CHTMLObject*, CHTMLObject*>& list)
{
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        auto* pSound = dynamic_cast<const CHtmlFileMultimedia*>(list.GetNext(pos));
        if (pSound && pSound->m_nType == 1) return pSound;
    }
    return nullptr;
}

bool HasInsertedElement(const CList<CHTMLObject*, CHTMLObject*>& list)
{
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHTMLObject* pElement = list.GetNext(pos);
        if (pElement && pElement->m_nEnd == -1) return true;
    }
    return false;
}

bool HasTitlePlaceholder(const CList<CHTMLObject*, CHTMLObject*>& list)
{
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        auto* pPlaceholder = dynamic_cast<const CHTMLTemplateTag*>(list.GetNext(pos));
        if (pPlaceholder && QLUtils::CompareNoCase(pPlaceholder->Name(), L"title") == 0) return true;
    }
    return false;
}

// An element read from the file whose text lies inside another's span is
// not rewritten and vanishes with the element around it; the next read may
// then record another element of its kind in its place (an earlier title or
// link, a later body start tag).
bool HasCoveredElement(const CList<CHTMLObject*, CHTMLObject*>& list)
{
    std::vector<const CHTMLObject*> read;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHTMLObject* pElement = list.GetNext(pos);
        if (pElement && pElement->m_nEnd != -1) read.push_back(pElement);
    }
    for (const CHTMLObject* pOuter : read) {
        if (pOuter->m_nBegin < 1 || pOuter->m_nEnd < pOuter->m_nBegin) continue;
        for (const CHTMLObject* pInner : read)
            if (pInner != pOuter && pOuter->m_nBegin <= pInner->m_nBegin && pInner->m_nBegin <= pOuter->m_nEnd)
                return true;
    }
    return false;
}

// Whether the element's writer leaves out what made its tag end an open
// object element: it writes nothing, or a tag without attributes.
bool LosesItsAttributes(const CHTMLObject& element)
{
    if (auto* pLink = dynamic_cast<const CHTMLStyleLink*>(&element)) return pLink->m_strHref.IsEmpty();
    if (auto* pMedia = dynamic_cast<const CHtmlFileMultimedia*>(&element)) return pMedia->m_strSrc.IsEmpty();
    if (auto* pObject = dynamic_cast<const CHTMLObjectTag*>(&element)) return pObject->IsDeleted();
    if (auto* pPlaceholder = dynamic_cast<const CHTMLTemplateTag*>(&element))
        return QLUtils::CompareNoCase(pPlaceholder->Name(), L"title") != 0;
    if (auto* pTag = dynamic_cast<const CHTMLTag*>(&element)) {
        for (const TagAttribute* p = pTag->m_pAttributes; p; p = p->m_pNext)
            if (p->m_pszValue && *p->m_pszValue) return false;
        return true;
    }
    return false;
}

bool FreesAnObject(const CList<CHTMLObject*, CHTMLObject*>& list, const std::vector<int>& objectEnders)
{
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHTMLObject* pElement = list.GetNext(pos);
        if (pElement && pElement->m_nEnd != -1 && LosesItsAttributes(*pElement) &&
            std::find(objectEnders.begin(), objectEnders.end(), pElement->m_nBegin) != objectEnders.end())
            return true;
    }
    return false;
}

std::string DocumentReason(RoundTripDocument& doc)
{
    if (HasCoveredElement(doc.RecordedElements()))
        return "an element inside another's span, replaced by another of its kind on reading";
    const FileTags tags = ScanFile(doc.GetFileName());
    if ((doc.Flags() & PARSE_OBJECTTAGS) && FreesAnObject(doc.RecordedElements(), tags.objectEnders))
        return "a tag that ended an object element unrecorded is written without attributes";
    // A read leaves the path of the last link tag at the first one's span:
    // a path set since is undone by the next read, and an empty one removes
    // the first link, so the next read takes the following one.
    if (doc.Flags() & PARSE_STYLESHEET) {
        const std::vector<std::wstring>& hrefs = tags.linkHrefs;
        const wchar_t* pszRecorded = doc.GetStyleSheet();
        const std::wstring strRecorded = pszRecorded ? pszRecorded : L"";
        if (hrefs.size() >= 2 && (strRecorded.empty() || hrefs.back() != strRecorded))
            return "a later link tag replaces the style sheet path on reading";
    }
    // Likewise every bgsound tag moves the sound's span to itself; one
    // without src keeps the path, and an empty path writes nothing.
    if (const CHtmlFileMultimedia* pSound = BackgroundSound(doc.RecordedElements())) {
        if (tags.bBgSoundWithoutSource || (tags.nBgSounds >= 2 && pSound->m_strSrc.IsEmpty()))
            return "a later bgsound tag takes the background sound's place on reading";
    }
    if (doc.Flags() & PARSE_BODY) {
        if (const wchar_t* pszImage = doc.GetBgImage()) {
            const CString strDocument(doc.GetFileName());
            CString strWritten(pszImage);
            RelativeFileNameFromFileName(strDocument, CString(pszImage), &strWritten, 1, 1, 0);
            if (AsReadBack(strDocument, strWritten) != strWritten.str())
                return "a background image path in another form than reading gives it";
        }
    }
    if (tags.bEndsInsideMarkup && HasInsertedElement(doc.RecordedElements()))
        return "an element written after an unfinished tag at the end joins that tag";
    const wchar_t* pszTitle = doc.GetTitle();
    if (pszTitle && std::wcschr(pszTitle, L'<') && HasTitlePlaceholder(doc.RecordedElements()))
        return "a title placeholder writes the title's markup as it stands";
    return {};
}

} // namespace

std::string ReadBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + strPath);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + strPath);
}

RoundTripExpectation RoundTripExpectation::Capture(RoundTripDocument& doc, const std::wstring& strTargetPath)
{
    doc.PrepareSaveTo(strTargetPath.c_str());

    RoundTripExpectation expectation;
    expectation.m_strSource = ReadBytes(Narrow(doc.GetFileName()));
    Encoding encoding;
    size_t nTextStart = 0;
    try {
        CkvuuStdioFile source(doc.GetFileName(), CFile::modeRead | CFile::shareDenyNone);
        encoding = source.GetEncoding();
        if (source.HasByteOrderMark()) htmlfile_text::ByteOrderMarkBytes(encoding, &nTextStart);
    } catch (const CFileException& e) {
        throw std::runtime_error(std::string("cannot open the document's file: ") + e.what());
    }

    // Every writer writes once into a scratch file in the document's
    // encoding; the file's length after each tells its bytes apart.
    std::vector<Element> elements;
    std::vector<size_t> bounds;
    const std::string strScratch = ScratchPath();
    try {
        CkvuuStdioFile scratch(Utf8ToWide(strScratch.c_str()).c_str(), CFile::modeCreate | CFile::modeWrite);
        scratch.SetEncoding(encoding, FALSE);
        scratch.Write(L"\r\n", 2);
        bounds.push_back(scratch.GetLength());
        const auto& list = doc.RecordedElements();
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            CHTMLObject* pElement = list.GetNext(pos);
            if (!pElement) continue;
            elements.push_back({pElement->m_nBegin, pElement->m_nEnd, NameOf(*pElement), {}});
            pElement->Generate(&scratch);
            bounds.push_back(scratch.GetLength());
        }
        scratch.Close();
    } catch (const CFileException& e) {
        std::remove(strScratch.c_str());
        throw std::runtime_error(std::string("cannot write the scratch file: ") + e.what());
    }
    const std::string strWritten = ReadBytes(strScratch);
    std::remove(strScratch.c_str());
    for (size_t i = 0; i < elements.size(); ++i)
        elements[i].strBytes = strWritten.substr(bounds[i], bounds[i + 1] - bounds[i]);

    const std::vector<size_t> offsets = CharacterOffsets(expectation.m_strSource, nTextStart, encoding);
    expectation.Assemble(elements, offsets, nTextStart, strWritten.substr(0, bounds[0]));
    return expectation;
}

void RoundTripExpectation::AppendPiece(const std::string& strBytes, std::string strWhat)
{
    if (strBytes.empty()) return;
    m_pieces.push_back({m_strExpected.size(), std::move(strWhat)});
    m_strExpected += strBytes;
}

void RoundTripExpectation::Assemble(const std::vector<Element>& elements, const std::vector<size_t>& offsets,
                                    size_t nTextStart, const std::string& strLineEnd)
{
    // Elements read from the file, each with the run of inserted elements
    // that stands before it in the list; a run at the end of the list goes
    // after the old text.
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
    const std::vector<const Element*> trailing = run;
    std::stable_sort(reads.begin(), reads.end(),
                     [](const Read& a, const Read& b) { return a.pElement->nBegin < b.pElement->nBegin; });

    // Which elements are rewritten: complete spans that begin after the end
    // of the last one kept.
    std::vector<bool> kept(reads.size(), false);
    int nLastKeptEnd = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
        const Element& e = *reads[i].pElement;
        if (e.nBegin >= 1 && e.nEnd >= e.nBegin && e.nBegin > nLastKeptEnd) {
            kept[i] = true;
            nLastKeptEnd = e.nEnd;
        }
    }

    // Where each run goes: its own element when kept; otherwise the kept
    // element whose span holds the left-out one's beginning, else the next
    // kept one, else the end (reads.size()).
    std::vector<std::vector<const Element*>> before(reads.size() + 1);
    for (size_t i = 0; i < reads.size(); ++i) {
        size_t target = reads.size();
        const int nBegin = reads[i].pElement->nBegin;
        for (size_t k = 0; k < reads.size() && target == reads.size(); ++k) {
            if (kept[k] && (k == i || (reads[k].pElement->nBegin <= nBegin && nBegin <= reads[k].pElement->nEnd)))
                target = k;
        }
        for (size_t k = i + 1; k < reads.size() && target == reads.size(); ++k)
            if (kept[k]) target = k;
        before[target].insert(before[target].end(), reads[i].run.begin(), reads[i].run.end());
    }
    before.back().insert(before.back().end(), trailing.begin(), trailing.end());

    const size_t nCharacters = offsets.size() - 1;
    auto copyOld = [&](size_t from, size_t to) {
        if (to > nCharacters || from > to) {
            if (m_strProblem.empty()) m_strProblem = "a recorded element's span lies outside the file";
            return;
        }
        AppendPiece(m_strSource.substr(offsets[from], offsets[to] - offsets[from]),
                    "old text, characters " + std::to_string(from + 1) + "-" + std::to_string(to));
    };
    auto writeRun = [&](const std::vector<const Element*>& inserted) {
        for (const Element* pInserted : inserted) {
            AppendPiece(pInserted->strBytes, "inserted " + pInserted->strName);
            AppendPiece(strLineEnd, "line end after inserted " + pInserted->strName);
        }
    };

    AppendPiece(m_strSource.substr(0, nTextStart), "byte-order mark");
    size_t nConsumed = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
        if (!kept[i]) continue;
        const Element& e = *reads[i].pElement;
        copyOld(nConsumed, static_cast<size_t>(e.nBegin) - 1);
        writeRun(before[i]);
        AppendPiece(e.strBytes,
                    e.strName + ", characters " + std::to_string(e.nBegin) + "-" + std::to_string(e.nEnd));
        nConsumed = static_cast<size_t>(e.nEnd);
    }
    copyOld(nConsumed, nCharacters);
    writeRun(before.back());
}

std::string RoundTripExpectation::Check(const std::string& strSaved) const
{
    if (!m_strProblem.empty()) return m_strProblem;
    if (strSaved == m_strExpected) return {};

    const size_t at = FirstDifference(m_strExpected, strSaved);
    std::string strWhere = "the end of the expected text";
    for (const Piece& piece : m_pieces)
        if (piece.nOffset <= at && at < m_strExpected.size()) strWhere = piece.strWhat;
    return "saved file differs (in " + strWhere + "): " + DescribeDifference(m_strExpected, strSaved);
}

size_t FirstDifference(const std::string& strExpected, const std::string& strActual)
{
    const auto mismatch = std::mismatch(strExpected.begin(), strExpected.end(), strActual.begin(), strActual.end());
    return static_cast<size_t>(mismatch.first - strExpected.begin());
}

std::string DescribeDifference(const std::string& strExpected, const std::string& strActual)
{
    const size_t at = FirstDifference(strExpected, strActual);
    return "first difference at byte " + std::to_string(at) + ": expected " + Around(strExpected, at) + ", got " +
           Around(strActual, at) + "; expected " + std::to_string(strExpected.size()) + " bytes, got " +
           std::to_string(strActual.size());
}

std::string SaveAndCheck(RoundTripDocument& doc, const std::wstring& strTarget)
{
    const RoundTripExpectation expectation = RoundTripExpectation::Capture(doc, strTarget);
    const bool bOwnPath = strTarget == doc.GetFileName();
    if (!(bOwnPath ? doc.SaveFile() : doc.SaveFileAs(strTarget.c_str()))) return "the save returned 0";
    return expectation.Check(ReadBytes(Narrow(strTarget.c_str())));
}

std::string EncodingOf(const wchar_t* pszFile)
{
    static const char* const kNames[] = {"UTF-8", "UTF-16LE", "UTF-16BE", "windows-1252"};
    CkvuuStdioFile file(pszFile, CFile::modeRead | CFile::shareDenyNone);
    return std::string(kNames[file.GetEncoding()]) + (file.HasByteOrderMark() ? " with mark" : "");
}

std::string SaveTwiceAndCheck(RoundTripDocument& doc, const std::wstring& strFirst, const std::wstring& strSecond,
                              std::string& strSkipped)
{
    // Judged before and after the first save: a value with a double quote,
    // for one, is gone from the document once the save read it again.
    strSkipped = UnstableRewriteReason(doc);
    const std::string strEncoding = EncodingOf(doc.GetFileName());
    std::string strError = SaveAndCheck(doc, strFirst);
    if (!strError.empty()) return strError;
    if (strSkipped.empty() && EncodingOf(strFirst.c_str()) != strEncoding)
        strSkipped = "the saved file reads in another encoding (its only non-UTF-8 bytes were rewritten)";
    if (strSkipped.empty()) strSkipped = UnstableRewriteReason(doc);
    if (!strSkipped.empty()) return {};

    const std::string strFirstBytes = ReadBytes(Narrow(strFirst.c_str()));
    strError = SaveAndCheck(doc, strSecond);
    if (!strError.empty()) return "second save: " + strError;
    const std::string strSecondBytes = ReadBytes(Narrow(strSecond.c_str()));
    if (strSecondBytes != strFirstBytes)
        return "a second save differs from the first, " + DescribeDifference(strFirstBytes, strSecondBytes);
    return {};
}

std::string UnstableRewriteReason(RoundTripDocument& doc)
{
    if (std::string strReason = DocumentReason(doc); !strReason.empty()) return strReason;
    Encoding encoding;
    {
        CkvuuStdioFile file(doc.GetFileName(), CFile::modeRead | CFile::shareDenyNone);
        encoding = file.GetEncoding();
    }
    const auto& list = doc.RecordedElements();
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const CHTMLObject* pElement = list.GetNext(pos);
        std::string strReason;
        if (dynamic_cast<const CHtmlFileFrameset*>(pElement)) strReason = "a frameset";
        else if (auto* pObject = dynamic_cast<const CHTMLObjectTag*>(pElement))
            strReason = ObjectReason(*pObject, encoding);
        else if (auto* pMap = dynamic_cast<const CHTMLMap*>(pElement)) strReason = MapReason(*pMap);
        else if (auto* pTag = dynamic_cast<const CHTMLTag*>(pElement)) strReason = TagReason(*pTag);
        else if (auto* pLink = dynamic_cast<const CHTMLStyleLink*>(pElement); pLink && HasQuote(pLink->m_strHref))
            strReason = "a style sheet path with a double quote";
        else if (auto* pSound = dynamic_cast<const CHtmlFileMultimedia*>(pElement);
                 pSound && HasQuote(pSound->m_strSrc))
            strReason = "a sound path with a double quote";
        if (!strReason.empty()) return strReason;
    }
    return {};
}
