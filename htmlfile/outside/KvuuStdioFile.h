// CkvuuStdioFile: the encoding-aware text file through which topics are read
// and written. Reading decodes the file into wchar_t units; writing encodes
// wchar_t text in the file's encoding.
//
// Reading: a UTF-8, UTF-16LE or UTF-16BE byte-order mark selects that
// encoding (the mark is neither delivered nor counted). Without a mark, a
// file that is valid UTF-8 throughout is UTF-8 (checked streaming when the
// file is opened), anything else is windows-1252 with its five unassigned
// bytes mapped to U+0081, U+008D, U+008F, U+0090 and U+009D, so that every
// byte sequence decodes and re-encodes to itself. Line ends are not
// translated. Lone surrogates of a UTF-16 file are kept.
//
// Read counts and Seek offsets are both in wchar_t units of decoded text, so
// a position taken while reading can be sought to again.
//
// Writing: a new file is UTF-8 without a byte-order mark unless another
// encoding is set before the first write (SetEncoding, TakeEncodingFrom). A
// character the encoding cannot hold (windows-1252) is written as the
// character reference "&#N;". Output is buffered; Close() writes what is
// left and reports failure by throwing, the destructor closes silently.
#pragma once

#include <htmlfile/platform/File.h>

#include <memory>

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
    // CFile::modeCreate | CFile::modeWrite to write); throws CFileException.
    CkvuuStdioFile(const wchar_t* pszFileName, UINT nOpenFlags);
    ~CkvuuStdioFile() override;

    // Reads up to nCount units of decoded text into pBuf; returns the number
    // stored, fewer only at the end of the file. The third argument is
    // unused. Throws CFileException on an I/O error.
    UINT Read(wchar_t* pBuf, UINT nCount, UINT* pReserved = nullptr);

    // Writes nCount units of text at the current position. Throws
    // CFileException on failure.
    void Write(const wchar_t* pText, UINT nCount);

    // Positions the next Read after lOff units of decoded text from the
    // start (CFile::begin) or from the current read position
    // (CFile::current). Forward seeks decode and skip; a backward seek reads
    // again from the start. Returns the new position in units.
    LONGLONG Seek(LONGLONG lOff, UINT nFrom);

    // Size of the file in bytes.
    ULONGLONG GetLength() const;

    Encoding GetEncoding() const noexcept;
    BOOL HasByteOrderMark() const noexcept;
    // For a file opened to write, before the first write.
    void SetEncoding(Encoding encoding, BOOL bByteOrderMark);
    void TakeEncodingFrom(const CkvuuStdioFile& other);

    // Writes buffered text and flushes it to the storage device (fsync).
    void Flush();
    // Writes buffered text and closes; throws CFileException on failure.
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
