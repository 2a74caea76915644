// Decoders of the Chinese, Japanese and Korean encodings that read ASCII as
// itself: gb18030 (and GBK, the same decoder), Big5, EUC-JP, Shift_JIS and
// EUC-KR.
//
// Each step starts at a byte of 0x80 or more. Where a lead byte is followed
// by a byte that does not complete it, the lead is rejected alone when that
// byte is ASCII (which is read again as itself, so the '<' of a tag is never
// swallowed) and together with it otherwise.
#include <htmlfile/text/CodecSupport.h>
#include <htmlfile/text/EncodingTables.h>

namespace htmlfile_text::codec {
namespace {

bool InRange(unsigned byte, unsigned low, unsigned high) noexcept { return byte >= low && byte <= high; }

Step Mismatch(unsigned char trail) noexcept { return Rejected(trail < 0x80 ? 1 : 2); }

std::uint32_t Gb18030RangesCode(std::uint32_t pointer) noexcept
{
    if ((pointer > 39419 && pointer < 189000) || pointer > 1237575) return 0;
    if (pointer == 7457) return 0xE7C7;
    const auto* begin = std::begin(tables::kGb18030RangePointers);
    const auto* last = std::upper_bound(begin, std::end(tables::kGb18030RangePointers), pointer) - 1;
    return tables::kGb18030RangeCodes[last - begin] + pointer - *last;
}

// Lead, digit, lead, digit: the characters beyond the two-byte table.
Step Gb18030FourBytes(const unsigned char* p, const unsigned char* end) noexcept
{
    if (end - p < 3) return Incomplete();
    if (!InRange(p[2], 0x81, 0xFE)) return Rejected(1);
    if (end - p < 4) return Incomplete();
    if (!InRange(p[3], 0x30, 0x39)) return Rejected(1);
    const std::uint32_t pointer =
        (p[0] - 0x81u) * 12600 + (p[1] - 0x30u) * 1260 + (p[2] - 0x81u) * 10 + (p[3] - 0x30u);
    const std::uint32_t code = Gb18030RangesCode(pointer);
    return code != 0 ? Character(code, 4) : Rejected(4);
}

Step Gb18030StepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char lead = p[0];
    if (lead == 0x80) return Character(0x20AC, 1);
    if (lead == 0xFF) return Rejected(1);
    if (end - p < 2) return Incomplete();
    const unsigned char trail = p[1];
    if (InRange(trail, 0x30, 0x39)) return Gb18030FourBytes(p, end);
    if (InRange(trail, 0x40, 0x7E) || InRange(trail, 0x80, 0xFE)) {
        const unsigned offset = trail < 0x7F ? 0x40 : 0x41;
        const std::uint32_t code = tables::CodeAt(tables::kGb18030Index, (lead - 0x81u) * 190 + trail - offset);
        if (code != 0) return Character(code, 2);
    }
    return Mismatch(trail);
}

std::uint32_t Big5Code(unsigned pointer) noexcept
{
    if (pointer < tables::kBig5FirstPointer) return 0;
    const unsigned at = pointer - tables::kBig5FirstPointer;
    const std::uint32_t low = tables::CodeAt(tables::kBig5Index, at);
    if (low == 0) return 0;
    const bool bPlane2 = (tables::kBig5Plane2[at / 32] >> (at % 32)) & 1u;
    return bPlane2 ? 0x20000 + low : low;
}

Step Big5StepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char lead = p[0];
    if (lead == 0x80 || lead == 0xFF) return Rejected(1);
    if (end - p < 2) return Incomplete();
    const unsigned char trail = p[1];
    if (!InRange(trail, 0x40, 0x7E) && !InRange(trail, 0xA1, 0xFE)) return Mismatch(trail);
    const unsigned pointer = (lead - 0x81u) * 157 + trail - (trail < 0x7F ? 0x40u : 0x62u);
    // Four pointers stand for a letter and a combining mark.
    for (const tables::Big5Pair& pair : tables::kBig5Pairs)
        if (pair.pointer == pointer) return {Step::kTwoCharacters, 2, pair.first, pair.second};
    const std::uint32_t code = Big5Code(pointer);
    return code != 0 ? Character(code, 2) : Mismatch(trail);
}

// 8F, then two bytes from JIS X 0212. A miss rejects 8F and the byte after
// it, and the third byte too unless it is ASCII.
Step EucJpJis0212(const unsigned char* p, const unsigned char* end) noexcept
{
    if (end - p < 3) return Incomplete();
    const unsigned char lead = p[1];
    const unsigned char trail = p[2];
    if (InRange(trail, 0xA1, 0xFE)) {
        const std::uint32_t code = tables::CodeAt(tables::kJis0212Index, (lead - 0xA1u) * 94 + trail - 0xA1);
        if (code != 0) return Character(code, 3);
    }
    return Rejected(trail < 0x80 ? 2 : 3);
}

Step EucJpStepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char lead = p[0];
    if (lead != 0x8E && lead != 0x8F && !InRange(lead, 0xA1, 0xFE)) return Rejected(1);
    if (end - p < 2) return Incomplete();
    const unsigned char trail = p[1];
    if (lead == 0x8E && InRange(trail, 0xA1, 0xDF)) return Character(0xFF61 - 0xA1 + trail, 2);
    if (lead == 0x8F && InRange(trail, 0xA1, 0xFE)) return EucJpJis0212(p, end);
    if (InRange(lead, 0xA1, 0xFE) && InRange(trail, 0xA1, 0xFE)) {
        const std::uint32_t code = tables::CodeAt(tables::kJis0208Index, (lead - 0xA1u) * 94 + trail - 0xA1);
        if (code != 0) return Character(code, 2);
    }
    return Mismatch(trail);
}

Step ShiftJisStepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char lead = p[0];
    if (lead == 0x80) return Character(0x80, 1);
    if (InRange(lead, 0xA1, 0xDF)) return Character(0xFF61 - 0xA1 + lead, 1);
    if (!InRange(lead, 0x81, 0x9F) && !InRange(lead, 0xE0, 0xFC)) return Rejected(1);
    if (end - p < 2) return Incomplete();
    const unsigned char trail = p[1];
    if (!InRange(trail, 0x40, 0x7E) && !InRange(trail, 0x80, 0xFC)) return Mismatch(trail);
    const unsigned pointer = (lead - (lead < 0xA0 ? 0x81u : 0xC1u)) * 188 + trail - (trail < 0x7F ? 0x40u : 0x41u);
    // The user-defined area of the Windows code page: private use.
    if (InRange(pointer, 8836, 10715)) return Character(0xE000 - 8836 + pointer, 2);
    const std::uint32_t code = tables::CodeAt(tables::kJis0208Index, pointer);
    return code != 0 ? Character(code, 2) : Mismatch(trail);
}

Step EucKrStepAt(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char lead = p[0];
    if (lead == 0x80 || lead == 0xFF) return Rejected(1);
    if (end - p < 2) return Incomplete();
    const unsigned char trail = p[1];
    if (InRange(trail, 0x41, 0xFE)) {
        const std::uint32_t code = tables::CodeAt(tables::kEucKrIndex, (lead - 0x81u) * 190 + trail - 0x41);
        if (code != 0) return Character(code, 2);
    }
    return Mismatch(trail);
}

} // namespace

size_t DecodeMultiByte(EncodingId encoding, const unsigned char*& p, const unsigned char* end, bool bAtEnd,
                       wchar_t* out, size_t capacity) noexcept
{
    switch (encoding) {
    case EncodingId::kGbk:
    case EncodingId::kGb18030: return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, Gb18030StepAt);
    case EncodingId::kBig5: return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, Big5StepAt);
    case EncodingId::kEucJp: return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, EucJpStepAt);
    case EncodingId::kShiftJis: return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, ShiftJisStepAt);
    default: return DecodeAsciiCompatible(p, end, bAtEnd, out, capacity, EucKrStepAt);
    }
}

} // namespace htmlfile_text::codec
