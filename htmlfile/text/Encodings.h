// The encodings a topic can be written in: their labels and names, and the
// decoders and encoders between their bytes and wchar_t units, with the
// WHATWG Encoding Standard's tables and algorithms so that a topic reads
// here as it does in a browser.
//
// Units and bytes. A decoder turns each byte sequence into one unit (two
// where wchar_t has 16 bits and the character lies above U+FFFF), so a count
// of units read is a count of sequences consumed; the exceptions are listed
// at Decoder. In the byte encodings (everything but UTF-16) a byte the
// decoder rejects becomes a raw-byte unit, U+DC80 + the byte, one unit per
// byte, and the encoder writes that unit back as the byte: no byte is lost
// or merged with another. Those values are lone surrogates, which no byte
// encoding can otherwise produce. In UTF-16 the same values are just lone
// surrogates the file holds, and are written back as such.
//
// For the single-byte encodings, encoding what was decoded gives back every
// byte string; for the others it gives back text the encoder itself would
// write, and rejected bytes, but not every alternative form (several Big5 and
// Shift_JIS sequences decode to one character), so a caller that must keep
// bytes copies them rather than encoding their text again.
#pragma once

#include <htmlfile/platform/Export.h>

#include <cstddef>
#include <optional>
#include <string_view>

namespace htmlfile_text {

// In the order of the label table's encodings. The "replacement" encoding,
// which decodes a whole input to a single U+FFFD, is left out: its labels
// are unknown labels here, so a topic declaring one is read by the other
// rules rather than lost.
enum class EncodingId : unsigned char {
    kUtf8,
    kIbm866,
    kIso8859_2,
    kIso8859_3,
    kIso8859_4,
    kIso8859_5,
    kIso8859_6,
    kIso8859_7,
    kIso8859_8,
    kIso8859_8I,
    kIso8859_10,
    kIso8859_13,
    kIso8859_14,
    kIso8859_15,
    kIso8859_16,
    kKoi8R,
    kKoi8U,
    kMacintosh,
    kWindows874,
    kWindows1250,
    kWindows1251,
    kWindows1252,
    kWindows1253,
    kWindows1254,
    kWindows1255,
    kWindows1256,
    kWindows1257,
    kWindows1258,
    kXMacCyrillic,
    kGbk,
    kGb18030,
    kBig5,
    kEucJp,
    kIso2022Jp,
    kShiftJis,
    kEucKr,
    kUtf16BE,
    kUtf16LE,
    kXUserDefined,
};
constexpr size_t kEncodingCount = static_cast<size_t>(EncodingId::kXUserDefined) + 1;

// The encoding a label names (ASCII white space around it ignored, ASCII
// case ignored): "iso-8859-1" and "us-ascii" name windows-1252, "gb2312"
// GBK, "x-sjis" Shift_JIS. Nothing for an unknown label.
HTMLFILE_API std::optional<EncodingId> EncodingForLabel(std::string_view label) noexcept;

// The encoding's canonical name: "UTF-8", "Shift_JIS", "windows-1252", "GBK".
HTMLFILE_API const char* EncodingName(EncodingId encoding) noexcept;

constexpr wchar_t kRawByteUnitBase = 0xDC80;

inline bool IsRawByteUnit(wchar_t unit) noexcept
{
    return unit >= kRawByteUnitBase && unit <= kRawByteUnitBase + 0xFF;
}

// Longest byte sequence behind one unit: an ISO-2022-JP escape sequence and
// the two-byte character after it. A caller that is not at the end of its
// input offers at least this many bytes, or a decoder may not move.
constexpr size_t kMaxBytesPerSequence = 5;
// Most units one step of a decoder stores: a rejected four-byte gb18030
// sequence cut by the end of the input. A capacity below this may store none.
constexpr size_t kMaxUnitsPerSequence = 4;
// Longest encoding of one unit: the reference "&#1114111;".
constexpr size_t kMaxEncodedUnitBytes = 10;

// Decodes bytes block by block. Its only state is ISO-2022-JP's current
// character set, so it is cheap to copy: a caller that decodes again from a
// block boundary copies the decoder it had there.
//
// Exceptions to one unit per sequence: Big5 has four sequences that decode
// to a letter and a combining mark (two units); an ISO-2022-JP escape
// sequence belongs to the unit after it, and one that ends the input
// belongs to none; a UTF-16 input of odd length ends in U+FFFD for its last
// byte, which the encoder cannot give back.
class HTMLFILE_API Decoder {
public:
    explicit Decoder(EncodingId encoding) noexcept : m_encoding(encoding) {}

    EncodingId Encoding() const noexcept { return m_encoding; }

    // Decodes whole units from [*pIn, end) into out, at most capacity of
    // them, and advances *pIn past the bytes used. Unless bAtEnd, a sequence
    // that might continue beyond end is left for the next call. Returns the
    // number of units stored.
    size_t Decode(const unsigned char** pIn, const unsigned char* end, bool bAtEnd, wchar_t* out,
                  size_t capacity) noexcept;

    // Decodes exactly one step: the next sequence (with an escape sequence
    // before it), or the next run of rejected bytes, into out, which has
    // room for kMaxUnitsPerSequence units; *pIn moves past its bytes. For
    // a caller that must know which bytes give which units. Returns the
    // step's units; none, and no move, when the input ends inside a
    // sequence that might go on.
    size_t DecodeStep(const unsigned char** pIn, const unsigned char* end, bool bAtEnd, wchar_t* out) noexcept;

private:
    EncodingId m_encoding;
    // ISO-2022-JP: the character set in force, and whether the last thing
    // read was an escape sequence (a second one in a row is an error).
    unsigned char m_iso2022JpSet = 0;
    bool m_iso2022JpAfterEscape = false;
};

// Encodes units from [*pIn, end) into out while at least
// kMaxEncodedUnitBytes bytes of room remain, and advances *pIn past the
// units used. A character the encoding cannot hold is written as "&#N;"; a
// lone surrogate in a byte encoding, as "&#65533;". Where wchar_t has 16
// bits a surrogate pair is one character; unless bAtEnd, a high surrogate
// that ends the input is left for the next call. ISO-2022-JP text is written
// in ASCII, everything else as references. Returns the number of bytes
// stored.
HTMLFILE_API size_t EncodeUnits(EncodingId encoding, const wchar_t** pIn, const wchar_t* end,
                                unsigned char* out, size_t capacity, bool bAtEnd = true) noexcept;

} // namespace htmlfile_text
