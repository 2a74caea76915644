// Encoders of the Chinese, Japanese and Korean encodings, and ISO-2022-JP's,
// which writes ASCII only and everything else as references: text the
// library inserts then cannot leave the file in another character set.
#include <htmlfile/text/CodecSupport.h>
#include <htmlfile/text/EncodingTables.h>

namespace htmlfile_text::codec {
namespace {

std::uint32_t Gb18030RangesPointer(std::uint32_t code) noexcept
{
    if (code == 0xE7C7) return 7457;
    const auto* begin = std::begin(tables::kGb18030RangeCodes);
    const auto* last = std::upper_bound(begin, std::end(tables::kGb18030RangeCodes), code) - 1;
    return tables::kGb18030RangePointers[last - begin] + code - *last;
}

template <bool kGbk>
unsigned char* PutGb18030(unsigned char* o, std::uint32_t code) noexcept
{
    // The table maps A3 A0 to U+3000, so U+E5E5 has no bytes.
    if (code == 0xE5E5) return nullptr;
    if (kGbk && code == 0x20AC) return PutByte(o, 0x80);
    // Private-use code points that older GB18030 placed in the two-byte
    // area; those bytes now decode to other characters.
    for (const tables::Gb18030EncoderExtra& extra : tables::kGb18030EncoderExtras)
        if (extra.code == code) return PutTwoBytes(o, extra.lead, extra.trail);
    const int pointer = tables::FindPointer(tables::kGb18030ReverseCodes, tables::kGb18030ReversePointers, code);
    if (pointer >= 0) {
        const unsigned trail = pointer % 190;
        return PutTwoBytes(o, pointer / 190 + 0x81, trail + (trail < 0x3F ? 0x40 : 0x41));
    }
    // GBK has no bytes for the rest, but its decoder reads gb18030's four
    // bytes. They are used only for the C1 controls, which no character
    // reference can stand for (&#128; reads as the euro sign); everything
    // else becomes a reference, which older readers of GBK understand.
    if (kGbk && !(code >= 0x80 && code <= 0x9F)) return nullptr;
    std::uint32_t rest = Gb18030RangesPointer(code);
    o = PutTwoBytes(o, rest / 12600 + 0x81, rest % 12600 / 1260 + 0x30);
    rest %= 1260;
    return PutTwoBytes(o, rest / 10 + 0x81, rest % 10 + 0x30);
}

unsigned char* PutBig5(unsigned char* o, std::uint32_t code) noexcept
{
    int pointer = -1;
    if (code <= 0xFFFF) pointer = tables::FindPointer(tables::kBig5ReverseCodes, tables::kBig5ReversePointers, code);
    else if (code - 0x20000 <= 0xFFFF)
        pointer = tables::FindPointer(tables::kBig5ReversePlane2Codes, tables::kBig5ReversePlane2Pointers, code - 0x20000);
    if (pointer < 0) return nullptr;
    const unsigned trail = pointer % 157;
    return PutTwoBytes(o, pointer / 157 + 0x81, trail + (trail < 0x3F ? 0x40 : 0x62));
}

// Both Japanese encoders write the minus sign as the fullwidth hyphen-minus,
// and the yen sign and overline as the bytes of backslash and tilde, which
// is what those bytes showed on Japanese systems.
std::uint32_t JapaneseSubstitute(std::uint32_t code) noexcept
{
    return code == 0x2212 ? 0xFF0D : code;
}

int JapaneseSingleByte(std::uint32_t code) noexcept
{
    return code == 0xA5 ? 0x5C : code == 0x203E ? 0x7E : -1;
}

unsigned char* PutEucJp(unsigned char* o, std::uint32_t code) noexcept
{
    if (JapaneseSingleByte(code) >= 0) return PutByte(o, JapaneseSingleByte(code));
    if (code >= 0xFF61 && code <= 0xFF9F) return PutTwoBytes(o, 0x8E, code - 0xFF61 + 0xA1);
    const int pointer =
        tables::FindPointer(tables::kJis0208ReverseCodes, tables::kJis0208ReversePointers, JapaneseSubstitute(code));
    if (pointer < 0) return nullptr;
    return PutTwoBytes(o, pointer / 94 + 0xA1, pointer % 94 + 0xA1);
}

int ShiftJisPointer(std::uint32_t code) noexcept
{
    const int differs =
        tables::FindPointer(tables::kShiftJisReverseOverrideCodes, tables::kShiftJisReverseOverridePointers, code);
    if (differs == 0xFFFF) return -1;
    if (differs >= 0) return differs;
    return tables::FindPointer(tables::kJis0208ReverseCodes, tables::kJis0208ReversePointers, code);
}

unsigned char* PutShiftJis(unsigned char* o, std::uint32_t code) noexcept
{
    if (code == 0x80) return PutByte(o, 0x80);
    if (JapaneseSingleByte(code) >= 0) return PutByte(o, JapaneseSingleByte(code));
    if (code >= 0xFF61 && code <= 0xFF9F) return PutByte(o, code - 0xFF61 + 0xA1);
    const int pointer = ShiftJisPointer(JapaneseSubstitute(code));
    if (pointer < 0) return nullptr;
    const unsigned lead = pointer / 188;
    const unsigned trail = pointer % 188;
    return PutTwoBytes(o, lead + (lead < 0x1F ? 0x81 : 0xC1), trail + (trail < 0x3F ? 0x40 : 0x41));
}

unsigned char* PutEucKr(unsigned char* o, std::uint32_t code) noexcept
{
    const int pointer = tables::FindPointer(tables::kEucKrReverseCodes, tables::kEucKrReversePointers, code);
    if (pointer < 0) return nullptr;
    return PutTwoBytes(o, pointer / 190 + 0x81, pointer % 190 + 0x41);
}

unsigned char* PutNothing(unsigned char*, std::uint32_t) noexcept { return nullptr; }

} // namespace

size_t EncodeMultiByte(EncodingId encoding, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                       size_t capacity, bool bAtEnd) noexcept
{
    switch (encoding) {
    case EncodingId::kGbk: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutGb18030<true>);
    case EncodingId::kGb18030: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutGb18030<false>);
    case EncodingId::kBig5: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutBig5);
    case EncodingId::kEucJp: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutEucJp);
    case EncodingId::kShiftJis: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutShiftJis);
    case EncodingId::kEucKr: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutEucKr);
    default: return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutNothing);
    }
}

} // namespace htmlfile_text::codec
