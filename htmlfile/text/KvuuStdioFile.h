// CkvuuStdioFile: the encoding-aware text file through which topics are read
// and written. Reading decodes the file into wchar_t units; writing encodes
// wchar_t text in the file's encoding. A file is opened either to read or to
// write, never both.
//
// Reading finds the encoding as a browser does: a UTF-8, UTF-16LE or
// UTF-16BE byte-order mark (neither delivered nor counted); else the
// encoding the caller gives; else the one the file declares in its first
// 1,024 bytes (<meta charset> or http-equiv Content-Type, labels as the
// WHATWG Encoding Standard maps them); else UTF-8 when the whole file is
// valid UTF-8; else windows-1252. Decoding is the standard's, with one
// difference that keeps every byte: a byte the decoder rejects is a
// raw-byte unit, U+DC80 + the byte, which the encoder writes back as that
// byte. Line ends are not translated.
//
// Read counts and Seek offsets are both in wchar_t units of decoded text, so
// a position taken while reading can be sought to again. ReadRaw hands out
// the file's own bytes for a count of units, for copies that must keep them.
//
// Writing: a new file is UTF-8 without a byte-order mark unless another
// encoding is set before the first write (SetEncoding, TakeEncodingFrom); a
// mark, if chosen, is written even when no text follows. A character the
// encoding cannot hold is written as the character reference "&#N;".
// Output is buffered; Close() writes what is left and reports failure by
// throwing, the destructor closes silently.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/File.h>
#include <htmlfile/text/Encodings.h>

#include <cstddef>
#include <memory>
#include <string>

// The utility library's file base.
class HTMLFILE_API CQLFile : public CFile {
public:
    CQLFile() = default;
    CQLFile(const wchar_t* pszFileName, UINT nOpenFlags) : CFile(pszFileName, nOpenFlags) {}
};

class HTMLFILE_API CkvuuStdioFile : public CQLFile {
public:
    using Encoding = htmlfile_text::EncodingId;
    static constexpr Encoding encodingUtf8 = Encoding::kUtf8;
    static constexpr Encoding encodingUtf16LE = Encoding::kUtf16LE;
    static constexpr Encoding encodingUtf16BE = Encoding::kUtf16BE;
    static constexpr Encoding encodingWindows1252 = Encoding::kWindows1252;

    // How reading found the encoding.
    enum class Source : unsigned char {
        byteOrderMark,
        given,     // by the caller, overriding what the file declares
        declared,  // in the file's first 1,024 bytes
        validUtf8, // no declaration, and UTF-8 throughout
        assumed,   // none of the above: windows-1252
    };

    // Opens the file (CFile::modeRead | CFile::shareDenyNone to read, or
    // CFile::modeCreate | CFile::modeWrite to write; any mode with write
    // access opens it to write) and, to read, finds its encoding. Throws
    // CFileException.
    CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags);
    // Opens a file to read in a given encoding (one the caller names, or one
    // an earlier reading found): a file without a byte-order mark is taken
    // to be in it, without being read through first. UTF-8 read this way is
    // checked as it is read: what is not well-formed becomes raw-byte units.
    CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags, Encoding given);
    // Reads, from its start, the file that readFrom has open (the same open
    // file, so a lock on it holds), finding its encoding or taking the one
    // an earlier reading found, as above. Throws CFileException.
    explicit CkvuuStdioFile(const CFile& readFrom);
    CkvuuStdioFile(const CFile& readFrom, Encoding given);
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
    Source GetEncodingSource() const noexcept;
    BOOL HasByteOrderMark() const noexcept;
    // For a file opened to write, before the first write (otherwise
    // std::logic_error). Only UTF-8 and UTF-16 have a byte-order mark.
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
    void DetectEncoding(const Encoding* pGiven);
    void UseEncoding(Encoding encoding, Source source);
    bool IsUtf8Throughout();
    void RefillInput();
    void RewindToText();
    size_t DecodeInto(wchar_t* pOut, size_t nCount);
    size_t DecodeStep(wchar_t* pOut, size_t nCount, size_t* pnBytes);
    bool PeekWellFormedUtf8(size_t nWanted, const unsigned char** ppBytes, size_t* pnBytes, size_t* pnUnits);
    void SkipWellFormedUtf8(size_t nBytes, size_t nUnits) noexcept;
    void SkipUnits(ULONGLONG nCount);
    void StartOutput();
    void FlushOutput();
    const wchar_t* EncodeText(const wchar_t* p, const wchar_t* end, bool bAtEnd);
    void WriteHeldUnit();
};
