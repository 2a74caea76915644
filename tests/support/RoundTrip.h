// The round-trip checker: proves that a save kept the library's promise.
// The new file must be the old one with exactly the recorded elements' spans
// replaced by what their writers produce, in the old file's encoding and
// byte-order mark, and nothing else changed, lost or repeated.
//
// The expected bytes are worked out here on their own, from the recorded
// elements and their spans, without the save code, by these rules:
//   - positions are 1-based counts of decoded characters; m_nEnd == -1 marks
//     an element the caller inserted;
//   - elements read from the file are taken in order of m_nBegin (stable);
//     one whose span is incomplete (m_nEnd < m_nBegin, or no position at
//     all) or that begins at or before the end of an element already kept is
//     left out: its old text is copied, or covered by the kept element;
//   - each run of inserted elements is written, each followed by CR LF, just
//     before the element that follows it in the list; when that element was
//     left out, before the kept element covering it, else before the next
//     kept one, else after the end of the old text.
// Unchanged text is compared byte for byte with the old file, not decoded
// and encoded again, so a codec that loses bytes is caught too.
#pragma once

#include <htmlfile/htmlfile.h>

#include <string>
#include <vector>

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
};

class RoundTripExpectation {
public:
    // Reads the document's file and what each recorded element writes in
    // that file's encoding. Call right before saving to strTargetPath, with no
    // fault armed: the writers run once here, into a scratch file. Throws
    // std::runtime_error when the document's file can't be read.
    static RoundTripExpectation Capture(RoundTripDocument& doc, const std::wstring& strTargetPath);

    const std::string& ExpectedBytes() const noexcept { return m_strExpected; }

    // Empty when strSaved is exactly the expected bytes; otherwise where
    // they first differ, what was expected there and which piece it belongs
    // to.
    std::string Check(const std::string& strSaved) const;

private:
    struct Element {
        int nBegin;
        int nEnd;
        std::string strName;  // for messages
        std::string strBytes; // what its writer produces, encoded
    };
    struct Piece {
        size_t nOffset; // in the expected bytes
        std::string strWhat;
    };

    void Assemble(const std::vector<Element>& elements, const std::vector<size_t>& unitOffsets,
                  size_t nTextStart, const std::string& strLineEnd);
    void AppendPiece(const std::string& strBytes, std::string strWhat);

    std::string m_strSource;
    std::string m_strExpected;
    std::string m_strProblem; // set when a span does not fit the file
    std::vector<Piece> m_pieces;
};

// Saves the document to strTarget (SaveFile when it is the document's own
// path, SaveFileAs otherwise) and checks the result. Empty on success,
// otherwise what went wrong. After it the document reads strTarget.
std::string SaveAndCheck(RoundTripDocument& doc, const std::wstring& strTarget);

// Saves the document to strFirst and then, unless UnstableRewriteReason
// (judged before and after the first save) or a change of encoding gives a
// reason to skip it (set in strSkipped), to strSecond, checking both saves
// and that the second wrote the same bytes as the first. Empty on success.
std::string SaveTwiceAndCheck(RoundTripDocument& doc, const std::wstring& strFirst, const std::wstring& strSecond,
                              std::string& strSkipped);

// "UTF-8", "UTF-16LE with mark", ...: how the text file class reads a file.
std::string EncodingOf(const wchar_t* pszFile);

// Why a second save of a saved file may legitimately differ from the first,
// by the writers' fixed output formats; empty when it must not differ:
//   - a frameset's writer ends with a line end beyond the recorded span, so
//     each save of a frame page adds one after it;
//   - an object element's attributes are written in hash-map order and
//     reading them back reverses their order within a bucket;
//   - a value containing a double quote is written between double quotes
//     as it stands, so the next parse reads other attributes;
//   - a parameter with an empty name, or an area with an empty href, is
//     written without it, and the next parse does not record it;
//   - an object attribute that a windows-1252 file can't hold is written as
//     "&#N;", which reads back longer and moves the object's line break;
// and what the reading rules make of a saved file:
//   - an element inside another's span is not rewritten and vanishes with
//     it; the next read may record another of its kind in its place;
//   - with two link tags, the later one's path (empty without href)
//     replaces the style sheet path written at the first one's span;
//   - a background image path set in another form than a read gives it
//     ("./a.gif", "img\\a.gif") is written as set, and read back resolved;
//   - every bgsound tag moves the background sound's span to itself: with
//     a tag without src, or a last one with an empty src (written as
//     nothing), the next read records the sound at another tag;
//   - a start tag with attributes ends an open object element unrecorded;
//     when its element is written without attributes (a style sheet link
//     without path, a body tag whose attributes were removed), the next
//     read records the object;
//   - a title placeholder writes the title text as it stands, markup and all;
//   - an element inserted at the end of a file that ends in an unfinished
//     tag becomes part of that tag.
std::string UnstableRewriteReason(RoundTripDocument& doc);

// Where two byte strings first differ (the shorter length when one is a
// prefix of the other), and a readable account of it.
size_t FirstDifference(const std::string& strExpected, const std::string& strActual);
std::string DescribeDifference(const std::string& strExpected, const std::string& strActual);

// Whole-file helpers; ReadBytes throws std::runtime_error on failure.
std::string ReadBytes(const std::string& strPath);
void WriteBytes(const std::string& strPath, const std::string& strBytes);
