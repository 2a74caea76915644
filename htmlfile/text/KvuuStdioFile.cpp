#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/text/Prescan.h>
#include <htmlfile/text/TextEncoding.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <stdexcept>

namespace {

// Bytes read ahead or waiting to be written. Large enough that a topic is
// read in one or two system calls, small enough not to matter per document.
constexpr size_t kBufferSize = 64 * 1024;

// Units decoded and dropped per step while seeking forward.
constexpr size_t kSkipChunk = 1024;

// Runs a write: after a failure every write reports it again, and a new
// failure is remembered (see Impl::failure).
template <typename Write>
void RememberingFailure(std::optional<CFileException>& failure, Write&& write)
{
    if (failure) throw *failure;
    try {
        write();
    } catch (const CFileException& e) {
        failure = e;
        throw;
    }
}

bool OpensToWrite(UINT nOpenFlags) noexcept
{
    return (nOpenFlags & (CFile::modeWrite | CFile::modeReadWrite)) != 0;
}

} // namespace

struct CkvuuStdioFile::Impl {
    explicit Impl(bool writing, bool bBuffered = true)
        : bWriting(writing), buffer(bBuffered ? new unsigned char[kBufferSize] : nullptr)
    {
    }

    const bool bWriting;
    Encoding encoding = encodingUtf8;
    Source source = Source::assumed;
    htmlfile_text::Decoder decoder{encodingUtf8};
    // Units of a sequence decoded in full that did not fit the last read
    // (a Big5 letter with its mark, or a surrogate pair where wchar_t has 16
    // bits): delivered first by the next one, with no bytes of their own.
    wchar_t pending[htmlfile_text::kMaxUnitsPerSequence] = {};
    size_t nPending = 0;
    size_t nPendingTaken = 0;
    bool bByteOrderMark = false;
    // The whole file was checked to be UTF-8 when it was opened, so reads
    // need only count its units (a file marked UTF-8 may hold other bytes).
    bool bCheckedUtf8 = false;

    // Reading: bytes [nBegin, nEnd) of buffer are read ahead and not yet
    // decoded. Writing: bytes [0, nEnd) wait to be written.
    std::unique_ptr<unsigned char[]> buffer;
    size_t nBegin = 0;
    size_t nEnd = 0;

    // Reading.
    bool bEndOfFile = false; // nothing left in the file beyond the buffer
    LONGLONG nTextStart = 0; // byte offset of the text, after any mark
    LONGLONG nPosition = 0;  // units delivered since the start of the text

    // Writing: the mark, if any, is in the buffer and the encoding is fixed.
    bool bStarted = false;
    // A high surrogate that ended the last write, where wchar_t has 16 bits:
    // it waits for the low one that the next write may begin with, so that
    // a pair split between two writes is still written as one character.
    wchar_t heldHigh = 0;
    // The first write that failed. Writers of markup swallow write errors
    // so that an element always completes; the file remembers the error and
    // every later write, Flush and Close report it, so a save that lost a
    // piece can't look successful.
    std::optional<CFileException> failure;

    // A file in memory: the text written goes here.
    std::wstring* pWritten = nullptr;
};

CkvuuStdioFile::CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags)
    : CQLFile(pszFileName, nOpenFlags), m_pImpl(std::make_unique<Impl>(OpensToWrite(nOpenFlags)))
{
    if (!m_pImpl->bWriting) DetectEncoding(nullptr);
}

CkvuuStdioFile::CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags, Encoding assumedWithoutMark)
    : CQLFile(pszFileName, nOpenFlags), m_pImpl(std::make_unique<Impl>(OpensToWrite(nOpenFlags)))
{
    if (!m_pImpl->bWriting) DetectEncoding(&assumedWithoutMark);
}

CkvuuStdioFile::CkvuuStdioFile(const CFile& readFrom) : m_pImpl(std::make_unique<Impl>(false))
{
    CFileException error;
    if (!OpenDuplicate(readFrom, &error)) throw error;
    DetectEncoding(nullptr);
}

CkvuuStdioFile::CkvuuStdioFile(const CFile& readFrom, Encoding assumedWithoutMark)
    : m_pImpl(std::make_unique<Impl>(false))
{
    CFileException error;
    if (!OpenDuplicate(readFrom, &error)) throw error;
    DetectEncoding(&assumedWithoutMark);
}

CkvuuStdioFile::CkvuuStdioFile(std::wstring& written) : m_pImpl(std::make_unique<Impl>(true, false))
{
    m_pImpl->pWritten = &written;
}

CkvuuStdioFile::~CkvuuStdioFile()
{
    try {
        Close();
    } catch (...) {
        // A destructor has nobody to report to; callers who care call Close().
    }
}

void CkvuuStdioFile::RequireOpenFor(bool bWriting) const
{
    if (!IsOpen() || m_pImpl->bWriting != bWriting)
        throw CFileException(CFileException::invalidFile, -1, m_strFileName);
}

// The first block tells whether there is a mark, and holds the bytes the
// declaration must stand in. A file with neither is read through once to see
// whether it is UTF-8, unless a file that fits in the first block needs no
// second read.
void CkvuuStdioFile::DetectEncoding(const Encoding* pGiven)
{
    Impl& s = *m_pImpl;
    RefillInput();
    const htmlfile_text::ByteOrderMark mark = htmlfile_text::DetectByteOrderMark(s.buffer.get(), s.nEnd);
    s.bByteOrderMark = mark.length != 0;
    if (s.bByteOrderMark) {
        UseEncoding(mark.encoding, Source::byteOrderMark);
        s.nBegin = mark.length;
        s.nTextStart = static_cast<LONGLONG>(mark.length);
        return;
    }
    if (pGiven) return UseEncoding(*pGiven, Source::given);
    if (std::optional<Encoding> declared = htmlfile_text::PrescanForEncoding(s.buffer.get(), s.nEnd))
        return UseEncoding(*declared, Source::declared);
    s.bCheckedUtf8 = IsUtf8Throughout();
    UseEncoding(s.bCheckedUtf8 ? encodingUtf8 : encodingWindows1252, s.bCheckedUtf8 ? Source::validUtf8 : Source::assumed);
}

void CkvuuStdioFile::UseEncoding(Encoding encoding, Source source)
{
    m_pImpl->encoding = encoding;
    m_pImpl->source = source;
    m_pImpl->decoder = htmlfile_text::Decoder(encoding);
}

bool CkvuuStdioFile::IsUtf8Throughout()
{
    Impl& s = *m_pImpl;
    htmlfile_text::Utf8Validator validator;
    bool bValid = validator.Feed(s.buffer.get(), s.nEnd);
    if (s.bEndOfFile) return bValid && validator.Finish();
    while (bValid && !s.bEndOfFile) {
        s.nBegin = s.nEnd = 0;
        RefillInput();
        bValid = validator.Feed(s.buffer.get(), s.nEnd);
    }
    RewindToText();
    return bValid && validator.Finish();
}

// Moves the undecoded tail to the front and fills the rest of the buffer.
// CFile::Read returns short only at the end of the file.
void CkvuuStdioFile::RefillInput()
{
    Impl& s = *m_pImpl;
    const size_t nLeft = s.nEnd - s.nBegin;
    std::memmove(s.buffer.get(), s.buffer.get() + s.nBegin, nLeft);
    s.nBegin = 0;
    s.nEnd = nLeft;
    const auto nWanted = static_cast<UINT>(kBufferSize - nLeft);
    const UINT nGot = CFile::Read(s.buffer.get() + nLeft, nWanted);
    s.nEnd += nGot;
    if (nGot < nWanted) s.bEndOfFile = true;
}

void CkvuuStdioFile::RewindToText()
{
    Impl& s = *m_pImpl;
    CFile::Seek(s.nTextStart, CFile::begin);
    s.nBegin = s.nEnd = 0;
    s.bEndOfFile = false;
    s.nPosition = 0;
    s.decoder = htmlfile_text::Decoder(s.encoding);
    s.nPending = s.nPendingTaken = 0;
}

// Decodes up to nCount units at the read position: units left over from the
// last step first, then whole sequences. A sequence of several units that
// does not fit is decoded aside and delivered in part, the rest kept. The
// bytes taken from the buffer go to *pnBytes (none for leftover units).
size_t CkvuuStdioFile::DecodeStep(wchar_t* pOut, size_t nCount, size_t* pnBytes)
{
    Impl& s = *m_pImpl;
    *pnBytes = 0;
    if (s.nPending > s.nPendingTaken) {
        const size_t n = std::min(nCount, s.nPending - s.nPendingTaken);
        std::copy_n(s.pending + s.nPendingTaken, n, pOut);
        s.nPendingTaken += n;
        return n;
    }
    if (s.nEnd - s.nBegin < htmlfile_text::kMaxBytesPerSequence && !s.bEndOfFile) RefillInput();
    if (s.nBegin == s.nEnd) return 0; // the end of the file
    const unsigned char* const pStart = s.buffer.get() + s.nBegin;
    const unsigned char* p = pStart;
    const unsigned char* const end = s.buffer.get() + s.nEnd;
    size_t nStored = s.decoder.Decode(&p, end, s.bEndOfFile, pOut, nCount);
    if (nStored == 0 && p == pStart) {
        // The next step has more units than fit: it alone is decoded aside.
        s.nPending = s.decoder.DecodeStep(&p, end, s.bEndOfFile, s.pending);
        s.nPendingTaken = nStored = std::min(nCount, s.nPending);
        std::copy_n(s.pending, nStored, pOut);
    }
    *pnBytes = static_cast<size_t>(p - pStart);
    s.nBegin += *pnBytes;
    return nStored;
}

size_t CkvuuStdioFile::DecodeInto(wchar_t* pOut, size_t nCount)
{
    Impl& s = *m_pImpl;
    size_t nStored = 0;
    while (nStored < nCount) {
        size_t nBytes = 0;
        const size_t nStep = DecodeStep(pOut + nStored, nCount - nStored, &nBytes);
        if (nStep == 0 && nBytes == 0) break; // the end of the file
        nStored += nStep;
    }
    s.nPosition += static_cast<LONGLONG>(nStored);
    return nStored;
}

void CkvuuStdioFile::SkipUnits(ULONGLONG nCount)
{
    wchar_t scratch[kSkipChunk];
    while (nCount > 0) {
        const size_t nWanted = static_cast<size_t>(std::min<ULONGLONG>(nCount, kSkipChunk));
        // Well-formed UTF-8 is skipped by counting, without decoding.
        const unsigned char* pBytes = nullptr;
        size_t nBytes = 0;
        size_t nUnits = 0;
        if (PeekWellFormedUtf8(nWanted, &pBytes, &nBytes, &nUnits)) {
            SkipWellFormedUtf8(nBytes, nUnits);
            if (nUnits < nWanted) return; // end of the file
            nCount -= nUnits;
            continue;
        }
        const size_t nGot = DecodeInto(scratch, nWanted);
        if (nGot < nWanted) return; // end of the file
        nCount -= nGot;
    }
}

UINT CkvuuStdioFile::Read(wchar_t* pBuf, UINT nCount, UINT* /*pReserved*/)
{
    htmlfile_testing::CountRead(m_strFileName);
    RequireOpenFor(false);
    return static_cast<UINT>(DecodeInto(pBuf, nCount));
}

// The next units of a UTF-8 file as they lie in the buffer, up to nWanted
// (at most what the buffer holds), when they are well-formed. False when
// bytes that Read decodes its own way come first. Takes nothing: the caller
// consumes what it uses with SkipWellFormedUtf8.
bool CkvuuStdioFile::PeekWellFormedUtf8(size_t nWanted, const unsigned char** ppBytes, size_t* pnBytes,
                                        size_t* pnUnits)
{
    Impl& s = *m_pImpl;
    if (s.encoding != encodingUtf8 || s.nPending > s.nPendingTaken) return false;
    // A unit of UTF-8 takes at most four bytes: after the refill the buffer
    // holds all nWanted units unless the file ends first.
    nWanted = std::min(nWanted, kBufferSize / htmlfile_text::kMaxUtf8Bytes);
    if (s.nEnd - s.nBegin < nWanted * htmlfile_text::kMaxUtf8Bytes && !s.bEndOfFile) RefillInput();
    const unsigned char* const pStart = s.buffer.get() + s.nBegin;
    const size_t nAvailable = s.nEnd - s.nBegin;
    size_t nUnits = 0;
    const size_t nBytes = s.bCheckedUtf8 ? htmlfile_text::MeasureCheckedUtf8(pStart, nAvailable, nWanted, &nUnits)
                                         : htmlfile_text::MeasureWellFormedUtf8(pStart, nAvailable, nWanted, &nUnits);
    // Short of nWanted only where the file ends.
    if (nUnits < nWanted && !(s.bEndOfFile && nBytes == nAvailable)) return false;
    *ppBytes = pStart;
    *pnBytes = nBytes;
    *pnUnits = nUnits;
    return true;
}

void CkvuuStdioFile::SkipWellFormedUtf8(size_t nBytes, size_t nUnits) noexcept
{
    m_pImpl->nBegin += nBytes;
    m_pImpl->nPosition += static_cast<LONGLONG>(nUnits);
}

BOOL CkvuuStdioFile::ReadUtf8InPlace(UINT nCount, const char** ppBytes, size_t* pnBytes, UINT* pnUnits)
{
    RequireOpenFor(false);
    const unsigned char* pBytes = nullptr;
    size_t nBytes = 0;
    size_t nUnits = 0;
    if (!PeekWellFormedUtf8(nCount, &pBytes, &nBytes, &nUnits)) return FALSE;
    htmlfile_testing::CountRead(m_strFileName);
    SkipWellFormedUtf8(nBytes, nUnits);
    *ppBytes = reinterpret_cast<const char*>(pBytes);
    *pnBytes = nBytes;
    *pnUnits = static_cast<UINT>(nUnits);
    return TRUE;
}

void CkvuuStdioFile::WriteRaw(const char* pBytes, size_t nBytes)
{
    RequireOpenFor(true);
    Impl& s = *m_pImpl;
    RememberingFailure(s.failure, [&] {
        htmlfile_testing::CountWrite(m_strFileName);
        StartOutput();
        WriteHeldUnit();
        while (nBytes > 0) {
            if (s.nEnd == kBufferSize) FlushOutput();
            const size_t nPart = std::min(nBytes, kBufferSize - s.nEnd);
            std::memcpy(s.buffer.get() + s.nEnd, pBytes, nPart);
            s.nEnd += nPart;
            pBytes += nPart;
            nBytes -= nPart;
        }
    });
}

UINT CkvuuStdioFile::ReadRaw(UINT nCount, std::string& bytes)
{
    htmlfile_testing::CountRead(m_strFileName);
    RequireOpenFor(false);
    Impl& s = *m_pImpl;
    wchar_t scratch[kSkipChunk];
    size_t nTaken = 0;
    while (nTaken < nCount) {
        const size_t nWanted = std::min<size_t>(nCount - nTaken, kSkipChunk);
        // Well-formed UTF-8 is measured, not decoded.
        const unsigned char* pBytes = nullptr;
        size_t nBytes = 0;
        size_t nUnits = 0;
        if (PeekWellFormedUtf8(nWanted, &pBytes, &nBytes, &nUnits)) {
            bytes.append(reinterpret_cast<const char*>(pBytes), nBytes);
            SkipWellFormedUtf8(nBytes, nUnits);
        } else {
            // Decoding tells where each unit's bytes end; they are taken
            // before the next step, which may move the buffer.
            size_t nBytesTaken = 0;
            nUnits = DecodeStep(scratch, nWanted, &nBytesTaken);
            if (nUnits == 0 && nBytesTaken == 0) break; // the end of the file
            bytes.append(reinterpret_cast<const char*>(s.buffer.get() + s.nBegin - nBytesTaken), nBytesTaken);
            s.nPosition += static_cast<LONGLONG>(nUnits);
        }
        nTaken += nUnits;
        if (nUnits == 0 && s.bEndOfFile && s.nBegin == s.nEnd && s.nPending == s.nPendingTaken) break;
    }
    return static_cast<UINT>(nTaken);
}

LONGLONG CkvuuStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    RequireOpenFor(false);
    Impl& s = *m_pImpl;
    if (nFrom == CFile::end) SkipUnits(ULLONG_MAX); // the position becomes the length in units
    else if (nFrom != CFile::begin && nFrom != CFile::current)
        throw CFileException(CFileException::badSeek, -1, m_strFileName);
    const LONGLONG nBase = nFrom == CFile::begin ? 0 : s.nPosition;
    if (lOff < -nBase) throw CFileException(CFileException::badSeek, -1, m_strFileName);
    const LONGLONG nTarget = lOff > LLONG_MAX - nBase ? LLONG_MAX : nBase + lOff;
    if (nTarget < s.nPosition) RewindToText();
    SkipUnits(static_cast<ULONGLONG>(nTarget - s.nPosition));
    return s.nPosition;
}

// The mark goes in front of the first text, or alone at the end when there
// is none; either way the encoding can't change any more.
void CkvuuStdioFile::StartOutput()
{
    Impl& s = *m_pImpl;
    if (s.bStarted) return;
    s.bStarted = true;
    if (!s.bByteOrderMark) return;
    size_t nLength = 0;
    const unsigned char* pMark = htmlfile_text::ByteOrderMarkBytes(s.encoding, &nLength);
    std::memcpy(s.buffer.get() + s.nEnd, pMark, nLength);
    s.nEnd += nLength;
}

// The buffer is emptied before the write, so bytes whose write failed are
// dropped rather than written a second time by a later flush.
void CkvuuStdioFile::FlushOutput()
{
    Impl& s = *m_pImpl;
    const size_t nLength = s.nEnd;
    if (nLength == 0) return;
    s.nEnd = 0;
    CFile::Write(s.buffer.get(), static_cast<UINT>(nLength));
}

// Encodes [p, end) into the buffer, flushing it as it fills. Unless bAtEnd,
// a high surrogate that ends the text is left: returns where encoding stopped.
const wchar_t* CkvuuStdioFile::EncodeText(const wchar_t* p, const wchar_t* end, bool bAtEnd)
{
    Impl& s = *m_pImpl;
    while (p < end) {
        if (kBufferSize - s.nEnd < htmlfile_text::kMaxEncodedUnitBytes) FlushOutput();
        const wchar_t* const before = p;
        s.nEnd += htmlfile_text::EncodeUnits(s.encoding, &p, end, s.buffer.get() + s.nEnd, kBufferSize - s.nEnd, bAtEnd);
        if (p == before) break;
    }
    return p;
}

// A held high surrogate that no low one follows is written alone (as the
// encoding writes a lone surrogate).
void CkvuuStdioFile::WriteHeldUnit()
{
    Impl& s = *m_pImpl;
    if (!s.heldHigh) return;
    const wchar_t unit = s.heldHigh;
    s.heldHigh = 0;
    EncodeText(&unit, &unit + 1, true);
}

void CkvuuStdioFile::Write(const wchar_t* pText, UINT nCount)
{
    if (m_pImpl->pWritten) {
        if (pText) m_pImpl->pWritten->append(pText, nCount);
        return;
    }
    RequireOpenFor(true);
    Impl& s = *m_pImpl;
    RememberingFailure(s.failure, [&] {
        htmlfile_testing::CountWrite(m_strFileName);
        StartOutput();
        if (!pText) return;
        const wchar_t* p = pText;
        const wchar_t* const end = pText + nCount;
        if (s.heldHigh && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            const wchar_t pair[2] = {s.heldHigh, *p++};
            s.heldHigh = 0;
            EncodeText(pair, pair + 2, true);
        }
        WriteHeldUnit();
        p = EncodeText(p, end, false);
        if (p < end) s.heldHigh = *p;
    });
}

ULONGLONG CkvuuStdioFile::GetLength() const
{
    const ULONGLONG nOnDisk = CFile::GetLength();
    return m_pImpl->bWriting ? nOnDisk + m_pImpl->nEnd : nOnDisk;
}

CkvuuStdioFile::Encoding CkvuuStdioFile::GetEncoding() const noexcept
{
    return m_pImpl->encoding;
}

CkvuuStdioFile::Source CkvuuStdioFile::GetEncodingSource() const noexcept
{
    return m_pImpl->source;
}

BOOL CkvuuStdioFile::HasByteOrderMark() const noexcept
{
    return m_pImpl->bByteOrderMark ? TRUE : FALSE;
}

void CkvuuStdioFile::SetEncoding(Encoding encoding, BOOL bByteOrderMark)
{
    Impl& s = *m_pImpl;
    if (!s.bWriting) throw std::logic_error("the encoding of a file read is the file's own");
    if (s.bStarted) throw std::logic_error("the encoding can't change once writing began");
    s.encoding = encoding;
    s.bByteOrderMark = bByteOrderMark && (encoding == encodingUtf8 || encoding == encodingUtf16LE ||
                                          encoding == encodingUtf16BE);
}

void CkvuuStdioFile::TakeEncodingFrom(const CkvuuStdioFile& other)
{
    SetEncoding(other.GetEncoding(), other.HasByteOrderMark());
}

void CkvuuStdioFile::Flush()
{
    if (m_pImpl->failure) throw *m_pImpl->failure;
    if (m_pImpl->bWriting && IsOpen()) {
        StartOutput();
        WriteHeldUnit();
        FlushOutput();
    }
    CFile::Flush();
}

void CkvuuStdioFile::Close()
{
    if (!IsOpen()) return;
    if (m_pImpl->failure) {
        Abort();
        throw *m_pImpl->failure;
    }
    if (m_pImpl->bWriting) {
        try {
            StartOutput();
            WriteHeldUnit();
            FlushOutput();
        } catch (...) {
            Abort();
            throw;
        }
    }
    CFile::Close();
}
