// The single-byte encodings: one table of the 128 characters above ASCII
// each, and x-user-defined, which puts those bytes in the private use area.
#include <htmlfile/text/CodecSupport.h>
#include <htmlfile/text/EncodingTables.h>

namespace htmlfile_text::codec {
namespace {

constexpr std::uint32_t kUserDefinedBase = 0xF780;

const std::uint16_t* HighHalfOf(EncodingId encoding) noexcept
{
    return tables::kSingleByteIndexes[static_cast<size_t>(encoding) - static_cast<size_t>(EncodingId::kIbm866)];
}

// A single-byte table has no reverse: text written by the library holds few
// characters above ASCII, and 128 comparisons find any of them.
struct SingleBytePut {
    const std::uint16_t* highHalf;
    unsigned char* operator()(unsigned char* o, std::uint32_t code) const noexcept
    {
        for (unsigned i = 0; i < 128; ++i) {
            if (highHalf[i] == code) return PutByte(o, 0x80 + i);
        }
        return nullptr;
    }
};

unsigned char* PutUserDefined(unsigned char* o, std::uint32_t code) noexcept
{
    if (code < kUserDefinedBase || code >= kUserDefinedBase + 0x80) return nullptr;
    return PutByte(o, code - kUserDefinedBase + 0x80);
}

} // namespace

size_t DecodeSingleByte(EncodingId encoding, const unsigned char*& p, const unsigned char* end, wchar_t* out,
                        size_t capacity) noexcept
{
    if (encoding == EncodingId::kXUserDefined) {
        return DecodeAsciiCompatible(p, end, true, out, capacity, [](const unsigned char* at, const unsigned char*) {
            return Character(kUserDefinedBase + at[0] - 0x80, 1);
        });
    }
    const std::uint16_t* const highHalf = HighHalfOf(encoding);
    return DecodeAsciiCompatible(p, end, true, out, capacity, [highHalf](const unsigned char* at, const unsigned char*) {
        const std::uint32_t code = highHalf[at[0] - 0x80];
        return code != 0 ? Character(code, 1) : Rejected(1);
    });
}

size_t EncodeSingleByte(EncodingId encoding, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                        size_t capacity, bool bAtEnd) noexcept
{
    if (encoding == EncodingId::kXUserDefined) return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, PutUserDefined);
    return EncodeAsciiCompatible(in, end, out, capacity, bAtEnd, SingleBytePut{HighHalfOf(encoding)});
}

} // namespace htmlfile_text::codec
