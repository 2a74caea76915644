// Decoder and EncodeUnits: each encoding to its family's codec.
#include <htmlfile/text/CodecSupport.h>

#include <charconv>

namespace htmlfile_text {
namespace {

bool IsSingleByte(EncodingId encoding) noexcept
{
    return (encoding >= EncodingId::kIbm866 && encoding <= EncodingId::kXMacCyrillic) ||
           encoding == EncodingId::kXUserDefined;
}

} // namespace

// A step is all or nothing, and steps come in order: with room for one
// unit, then two, and so on, the first room that lets the decoder move is
// exactly the first step's size, and nothing after it fits. (Cutting the
// input behind a sequence instead would not do: a lead byte is rejected
// only once the byte after it is seen, and that byte would be decoded too.)
size_t Decoder::DecodeStep(const unsigned char** pIn, const unsigned char* end, bool bAtEnd, wchar_t* out) noexcept
{
    const unsigned char* const before = *pIn;
    for (size_t room = 1; room <= kMaxUnitsPerSequence; ++room) {
        const size_t units = Decode(pIn, end, bAtEnd, out, room);
        if (*pIn != before) return units;
    }
    return 0;
}

size_t Decoder::Decode(const unsigned char** pIn, const unsigned char* end, bool bAtEnd, wchar_t* out,
                       size_t capacity) noexcept
{
    const unsigned char*& p = *pIn;
    switch (m_encoding) {
    case EncodingId::kUtf8: return codec::DecodeUtf8(p, end, bAtEnd, out, capacity);
    case EncodingId::kUtf16BE: return codec::DecodeUtf16(true, p, end, bAtEnd, out, capacity);
    case EncodingId::kUtf16LE: return codec::DecodeUtf16(false, p, end, bAtEnd, out, capacity);
    case EncodingId::kIso2022Jp: {
        codec::Iso2022JpState state{m_iso2022JpSet, m_iso2022JpAfterEscape};
        const size_t units = codec::DecodeIso2022Jp(state, p, end, bAtEnd, out, capacity);
        m_iso2022JpSet = state.set;
        m_iso2022JpAfterEscape = state.bAfterEscape;
        return units;
    }
    default:
        if (IsSingleByte(m_encoding)) return codec::DecodeSingleByte(m_encoding, p, end, out, capacity);
        return codec::DecodeMultiByte(m_encoding, p, end, bAtEnd, out, capacity);
    }
}

size_t EncodeUnits(EncodingId encoding, const wchar_t** pIn, const wchar_t* end, unsigned char* out,
                   size_t capacity, bool bAtEnd) noexcept
{
    const wchar_t*& in = *pIn;
    switch (encoding) {
    case EncodingId::kUtf8: return codec::EncodeUtf8(in, end, out, capacity, bAtEnd);
    case EncodingId::kUtf16BE: return codec::EncodeUtf16(true, in, end, out, capacity);
    case EncodingId::kUtf16LE: return codec::EncodeUtf16(false, in, end, out, capacity);
    default:
        if (IsSingleByte(encoding)) return codec::EncodeSingleByte(encoding, in, end, out, capacity, bAtEnd);
        return codec::EncodeMultiByte(encoding, in, end, out, capacity, bAtEnd);
    }
}

namespace codec {

unsigned char* PutCharacterReference(unsigned char* o, std::uint32_t code) noexcept
{
    if (code > 0x10FFFF || IsSurrogate(code)) code = 0xFFFD;
    *o++ = '&';
    *o++ = '#';
    char* const digits = reinterpret_cast<char*>(o);
    o += std::to_chars(digits, digits + 7, code).ptr - digits;
    *o++ = ';';
    return o;
}

} // namespace codec
} // namespace htmlfile_text
