// CkvuuStdioFile: the encoding-aware text file through which topics are read
// and written. Reading decodes the file into wchar_t units; writing encodes
// wchar_t text in the file's encoding. A file is opened either to read or to
// write, never both.
//
// Reading: a UTF-8, UTF-16LE or UTF-16BE byte-order mark selects that
// encoding (the mark is neither delivered nor counted). Without a mark, a
// file that is valid UTF-8 throughout (checked streaming when the file is
// opened) is UTF-8, anything else is windows-1252 with its five unassigned
// bytes mapped to U+0081, U+008D, U+008F, U+0090 and U+009D, so that every
// byte sequence decodes and re-encodes to itself. Line ends are not
// translated. A UTF-16 surrogate pair becomes one wchar_t; a lone surrogate
// is kept as its own value; an odd last byte of a UTF-16 file is delivered
// as 0x110000 + the byte, and so is each byte of a file marked as UTF-8
// that begins no well-formed sequence.
//
// Read counts and Seek offsets are both in wchar_t units of decoded text, so
// a position taken while reading can be sought to again.
//
// Writing: a new file is UTF-8 without a byte-order mark unless another
// encoding is set before the first write (SetEncoding, TakeEncodingFrom); a
// mark, if chosen, is written even when no text follows. A character the
// encoding cannot hold is written as the character reference "&#N;"
// (windows-1252) or as U+FFFD (UTF-8: lone surrogates and values above
// U+10FFFF); the UTF-16 encoders write lone surrogates as they are, and the
// UTF-8 and UTF-16 encoders write 0x110000 + b as the byte b. Hence reading a file and writing what was read
// in the same encoding gives the same bytes. Output is buffered; Close()
// writes what is left and reports failure by throwing, the destructor closes
// silently.
#pragma once

#include <htmlfile/platform/File.h>

#include <cstddef>
#include <memory>
#include <string>

// The utility library's file base.
class CQLFile : public CFile {
public:
    CQLFile() = default;
    CQLFile(const wchar_t* pszFileName, UINT nOpenFlags) : CFile(pszFileName, nOpenFlags) {}
};

class CkvuuStdioFile : public CQLFile {
public:
    enum Encoding {
        encodingUtf8,
        encodingUtf16LE,
        encodingUtf16BE,
        encodingWindows1252,
    };

    // Opens the file (CFile::modeRead | CFile::shareDenyNone to read, or
    // CFile::modeCreate | CFile::modeWrite to write; any mode with write
    // access opens it to write) and, to read, finds its encoding. Throws
    // CFileException.
    CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags);
    // Opens a file to read whose encoding an earlier reading found: a file
    // without a byte-order mark is taken to be in that encoding (UTF-8 or
    // windows-1252) without being read through first. UTF-8 read this way
    // is checked as it is read, and what is not well-formed is delivered as
    // for a file marked as UTF-8, so the bytes still come back unchanged.
    CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags, Encoding assumedWithoutMark);
    // Reads, from its start, the file that readFrom has open (the same open
    // file, so a lock on it holds), finding its encoding or taking the one
    // an earlier reading found, as above. Throws CFileException.
    explicit CkvuuStdioFile(const CFile& readFrom);
    CkvuuStdioFile(const CFile& readFrom, Encoding assumedWithoutMark);
    // A file in memory: every unit written is appended to `written` as it
    // is, and nothing reaches a disk (no encoding, no failures). Shows what
    // a writer would write.
    explicit CkvuuStdioFile(std::wstring& written);
    ~CkvuuStdioFile() override;

    // Reads up to nCount units of decoded text into pBuf; returns the number
    // stored, fewer only at the end of the file. The third argument is
    // unused. Throws CFileException on an I/O error.
    UINT Read(wchar_t* pBuf, UINT nCount, UINT* pReserved = nullptr);

    // For a file read as UTF-8: the next units as the bytes that hold them,
    // where they lie in the read buffer, without decoding. Well-formed UTF-8
    // is exactly the UTF-8 form of what Read would deliver, so a reader that
    // wants UTF-8 saves a decoding and an encoding. Takes up to nCount units
    // (at most 16384; fewer only at the end of the file), stores the bytes
    // in *ppBytes and *pnBytes (valid until the next read, seek or close)
    // and the units in *pnUnits, and returns TRUE; counts as one Read.
    // Returns FALSE and takes nothing when the file is in another encoding
    // or the next units are not well-formed UTF-8: Read then delivers them.
    BOOL ReadUtf8InPlace(UINT nCount, const char** ppBytes, size_t* pnBytes, UINT* pnUnits);

    // Reads up to nCount units (fewer only at the end of the file) and
    // appends the very bytes of the file that hold them to `bytes`, not
    // decoded and encoded again: a copy made this way keeps its bytes even
    // in an encoding where several byte sequences read as one character.
    // Returns the number of units taken; counts as one Read.
    UINT ReadRaw(UINT nCount, std::string& bytes);
    // Writes bytes already in this file's encoding, as ReadRaw of a file in
    // the same encoding hands them out. Counts as one Write and fails as
    // Write does.
    void WriteRaw(const char* pBytes, size_t nBytes);

    // Writes bytes of well-formed UTF-8 (as ReadUtf8InPlace hands them out)
    // to a file written as UTF-8: the same bytes that Write of the units
    // they hold would write. Counts as one Write and fails as Write does.
    // Returns FALSE, writing nothing, when the file is written in another
    // encoding.
    BOOL WriteUtf8(const char* pBytes, size_t nBytes);

    // Writes nCount units of text at the current position. Throws
    // CFileException on failure.
    void Write(const wchar_t* pText, UINT nCount);

    // Positions the next Read after lOff units of decoded text from the
    // start (CFile::begin) or from the current read position
    // (CFile::current) or end (CFile::end). Forward seeks decode and skip; a
    // backward seek reads again from the start. A seek past the end stops at
    // the end. Returns the new position in units. Files open to read only.
    LONGLONG Seek(LONGLONG lOff, UINT nFrom);

    // Size of the file in bytes, text still buffered for writing included.
    ULONGLONG GetLength() const;

    Encoding GetEncoding() const noexcept;
    BOOL HasByteOrderMark() const noexcept;
    // For a file opened to write, before the first write (otherwise
    // std::logic_error). windows-1252 never has a byte-order mark.
    void SetEncoding(Encoding encoding, BOOL bByteOrderMark);
    void TakeEncodingFrom(const CkvuuStdioFile& other);

    // Writes buffered text and flushes it to the storage device (fsync).
    void Flush();
    // Writes buffered text and closes; throws CFileException on failure.
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;

    // Throws unless the file is open for reading (bWriting false) or writing.
    void RequireOpenFor(bool bWriting) const;
    void DetectEncoding(const Encoding* pAssumedWithoutMark);
    bool IsUtf8Throughout();
    void RefillInput();
    void RewindToText();
    size_t DecodeInto(wchar_t* pOut, size_t nCount);
    bool PeekWellFormedUtf8(size_t nWanted, const unsigned char** ppBytes, size_t* pnBytes, size_t* pnUnits);
    void SkipWellFormedUtf8(size_t nBytes, size_t nUnits) noexcept;
    void SkipUnits(ULONGLONG nCount);
    void StartOutput();
    void FlushOutput();
};
