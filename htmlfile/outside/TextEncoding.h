// Byte-level codecs behind the text file class: byte-order marks, the strict
// UTF-8 check that decides how a file without a mark is read, and the
// decoders and encoders between bytes and wchar_t units.
//
// Every decoder turns one byte sequence into exactly one wchar_t, so a count
// of units read is also a count of sequences consumed. wchar_t holds whole
// code points (32 bits here); a value in 0xD800..0xDFFF is a lone surrogate.
// Values the decoders can produce outside Unicode:
//   0x110000 + b  the odd last byte b of a UTF-16 file; the UTF-16 encoders
//                 write it back as that raw byte.
// For every encoding, encoding what was decoded gives the original bytes,
// with one exception: an ill-formed sequence in a file marked as UTF-8
// decodes to U+FFFD.
#pragma once

#include <htmlfile/outside/KvuuStdioFile.h>

#include <cstddef>

namespace htmlfile_text {

using Encoding = CkvuuStdioFile::Encoding;

constexpr wchar_t kReplacementCharacter = 0xFFFD;
// The first of the 256 values that carry a raw trailing byte of a UTF-16 file.
constexpr wchar_t kRawByteBase = 0x110000;

// Longest byte sequence that decodes to one unit.
constexpr size_t kMaxBytesPerDecodedUnit = 4;
// Longest encoding of one unit: the reference "&#1114111;".
constexpr size_t kMaxBytesPerEncodedUnit = 10;

struct ByteOrderMark {
    Encoding encoding;
    size_t length; // 0: the bytes start with no mark
};

// The byte-order mark at the start of bytes, if any.
ByteOrderMark DetectByteOrderMark(const unsigned char* bytes, size_t count) noexcept;

// The mark written in front of text in an encoding; windows-1252 has none
// (length 0).
const unsigned char* ByteOrderMarkBytes(Encoding encoding, size_t* pLength) noexcept;

// Checks that bytes fed block by block are UTF-8 throughout: no overlong
// forms, no surrogates, nothing above U+10FFFF, no sequence left unfinished.
class Utf8Validator {
public:
    // Returns false once the bytes seen so far can't be UTF-8.
    bool Feed(const unsigned char* bytes, size_t count) noexcept;
    // True when everything fed is UTF-8 and ends on a sequence boundary.
    bool Finish() const noexcept { return m_valid && m_pending == 0; }

private:
    bool m_valid = true;
    int m_pending = 0; // continuation bytes still expected
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
};

// Decodes whole units from [*pIn, end) into out, at most capacity of them,
// and advances *pIn past the bytes used. Unless bAtEnd, a sequence that
// might continue beyond end is left for the next call, so the caller should
// offer at least kMaxBytesPerDecodedUnit bytes until the file ends. Returns
// the number of units stored.
size_t DecodeUnits(Encoding encoding, const unsigned char** pIn, const unsigned char* end, bool bAtEnd,
                   wchar_t* out, size_t capacity) noexcept;

// Encodes units from [*pIn, end) into out while at least
// kMaxBytesPerEncodedUnit bytes of room remain, and advances *pIn past the
// units used. Returns the number of bytes stored.
size_t EncodeUnits(Encoding encoding, const wchar_t** pIn, const wchar_t* end, unsigned char* out,
                   size_t capacity) noexcept;

} // namespace htmlfile_text
