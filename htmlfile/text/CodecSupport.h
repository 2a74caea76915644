// What the decoders and encoders of this folder share: one decoding step and
// the loop around the steps of an encoding that reads ASCII as itself, and
// the loop and helpers of the encoders. For the codecs only.
#pragma once

#include <htmlfile/text/TextEncoding.h>
#include <htmlfile/text/Encodings.h>

#include <algorithm>
#include <cstdint>

namespace htmlfile_text::codec {

// What a decoder found at the start of its input.
struct Step {
    enum Kind : unsigned char {
        kCharacter,     // code, from length bytes
        kTwoCharacters, // code and second, from length bytes
        kRejected,      // length bytes, each a raw-byte unit
        kIncomplete,    // every byte left begins a sequence that may go on
    };
    Kind kind;
    unsigned char length;
    std::uint32_t code;
    std::uint32_t second;
};

constexpr Step Character(std::uint32_t code, unsigned length) noexcept
{
    return {Step::kCharacter, static_cast<unsigned char>(length), code, 0};
}
constexpr Step Rejected(size_t length) noexcept
{
    return {Step::kRejected, static_cast<unsigned char>(length), 0, 0};
}
constexpr Step Incomplete() noexcept { return {Step::kIncomplete, 0, 0, 0}; }

constexpr bool kWideUnits = sizeof(wchar_t) >= 4;

inline size_t UnitsFor(std::uint32_t code) noexcept
{
    return !kWideUnits && code > 0xFFFF ? 2 : 1;
}

inline size_t UnitsFor(const Step& step) noexcept
{
    switch (step.kind) {
    case Step::kCharacter: return UnitsFor(step.code);
    case Step::kTwoCharacters: return UnitsFor(step.code) + UnitsFor(step.second);
    default: return step.length;
    }
}

// One character as units: itself, or a surrogate pair where wchar_t is too
// narrow for it.
inline wchar_t* PutCharacter(wchar_t* o, std::uint32_t code) noexcept
{
    if (!kWideUnits && code > 0xFFFF) {
        code -= 0x10000;
        *o++ = static_cast<wchar_t>(0xD800 + (code >> 10));
        *o++ = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        return o;
    }
    *o++ = static_cast<wchar_t>(code);
    return o;
}

inline wchar_t* PutRawBytes(wchar_t* o, const unsigned char* bytes, size_t count) noexcept
{
    for (size_t i = 0; i < count; ++i) *o++ = static_cast<wchar_t>(kRawByteUnitBase + bytes[i]);
    return o;
}

// Stores the units of a step found at p.
inline wchar_t* PutStep(wchar_t* o, const Step& step, const unsigned char* p) noexcept
{
    switch (step.kind) {
    case Step::kCharacter: return PutCharacter(o, step.code);
    case Step::kTwoCharacters: return PutCharacter(PutCharacter(o, step.code), step.second);
    default: return PutRawBytes(o, p, step.length);
    }
}

// Decodes an encoding in which every byte below 0x80 that begins a sequence
// is that ASCII character. stepAt(p, end) decodes the sequence at p, whose
// first byte is at least 0x80. Runs of ASCII go through at once; a sequence
// that the end of the input cuts is left for the next call unless bAtEnd,
// and then its bytes are rejected together, as one error.
template <class StepAt>
size_t DecodeAsciiCompatible(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                             size_t capacity, StepAt stepAt) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (p < end && o < oEnd) {
        if (*p < 0x80) {
            const size_t ascii = WidenAscii(p, std::min<size_t>(end - p, oEnd - o), o);
            p += ascii;
            o += ascii;
            continue;
        }
        Step step = stepAt(p, end);
        if (step.kind == Step::kIncomplete) {
            if (!bAtEnd) break;
            step = Rejected(static_cast<size_t>(end - p));
        }
        if (UnitsFor(step) > static_cast<size_t>(oEnd - o)) break;
        o = PutStep(o, step, p);
        p += step.length;
    }
    return static_cast<size_t>(o - out);
}

// The character at in, and the units it takes: a surrogate pair is one
// character where wchar_t has 16 bits. units is 0 when a high surrogate ends
// the input and more may follow.
struct UnitCharacter {
    std::uint32_t code;
    size_t units;
};

inline UnitCharacter ReadCharacter(const wchar_t* in, const wchar_t* end, bool bAtEnd) noexcept
{
    const auto code = static_cast<std::uint32_t>(in[0]);
    if (!kWideUnits && code >= 0xD800 && code <= 0xDBFF) {
        if (end - in < 2) return {code, bAtEnd ? size_t{1} : size_t{0}};
        const auto next = static_cast<std::uint32_t>(in[1]);
        if (next >= 0xDC00 && next <= 0xDFFF) return {0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00), 2};
    }
    return {code, 1};
}

inline bool IsSurrogate(std::uint32_t code) noexcept { return code >= 0xD800 && code <= 0xDFFF; }

// "&#N;". A value that is no Unicode scalar value has no reference of its
// own, so it is written as the replacement character's.
unsigned char* PutCharacterReference(unsigned char* o, std::uint32_t code) noexcept;

// Encodes into an encoding that writes ASCII as itself. put(o, code) writes
// a character above ASCII that is no surrogate and returns the end of what
// it wrote, or nullptr when the encoding has no bytes for it; the loop then
// writes a reference. Raw-byte units become their bytes.
template <class Put>
size_t EncodeAsciiCompatible(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity,
                             bool bAtEnd, Put put) noexcept
{
    unsigned char* o = out;
    unsigned char* const oEnd = out + capacity;
    while (in < end && static_cast<size_t>(oEnd - o) >= kMaxEncodedUnitBytes) {
        const size_t ascii = NarrowAscii(in, std::min<size_t>(end - in, oEnd - o - kMaxEncodedUnitBytes), o);
        in += ascii;
        o += ascii;
        if (in == end) break;
        const UnitCharacter c = ReadCharacter(in, end, bAtEnd);
        if (c.units == 0) break;
        in += c.units;
        if (c.code < 0x80) {
            *o++ = static_cast<unsigned char>(c.code);
        } else if (c.code - kRawByteUnitBase < 0x100) {
            *o++ = static_cast<unsigned char>(c.code - kRawByteUnitBase);
        } else {
            unsigned char* const written = IsSurrogate(c.code) ? nullptr : put(o, c.code);
            o = written != nullptr ? written : PutCharacterReference(o, c.code);
        }
    }
    return static_cast<size_t>(o - out);
}

inline unsigned char* PutByte(unsigned char* o, unsigned byte) noexcept
{
    *o++ = static_cast<unsigned char>(byte);
    return o;
}

inline unsigned char* PutTwoBytes(unsigned char* o, unsigned first, unsigned second) noexcept
{
    *o++ = static_cast<unsigned char>(first);
    *o++ = static_cast<unsigned char>(second);
    return o;
}

// The decoders and encoders of each family of encodings.
size_t DecodeUtf8(const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                  size_t capacity) noexcept;
size_t DecodeUtf16(bool bBigEndian, const unsigned char*& p, const unsigned char* end, bool bAtEnd, wchar_t* out,
                   size_t capacity) noexcept;
size_t DecodeSingleByte(EncodingId encoding, const unsigned char*& p, const unsigned char* end, wchar_t* out,
                        size_t capacity) noexcept;
size_t DecodeMultiByte(EncodingId encoding, const unsigned char*& p, const unsigned char* end, bool bAtEnd,
                       wchar_t* out, size_t capacity) noexcept;

// ISO-2022-JP's character set in force; the decoder keeps it between calls.
struct Iso2022JpState {
    unsigned char set;
    bool bAfterEscape;
};
size_t DecodeIso2022Jp(Iso2022JpState& state, const unsigned char*& p, const unsigned char* end, bool bAtEnd,
                       wchar_t* out, size_t capacity) noexcept;

size_t EncodeUtf8(const wchar_t*& in, const wchar_t* end, unsigned char* out, size_t capacity, bool bAtEnd) noexcept;
size_t EncodeUtf16(bool bBigEndian, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                   size_t capacity) noexcept;
size_t EncodeSingleByte(EncodingId encoding, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                        size_t capacity, bool bAtEnd) noexcept;
size_t EncodeMultiByte(EncodingId encoding, const wchar_t*& in, const wchar_t* end, unsigned char* out,
                       size_t capacity, bool bAtEnd) noexcept;

} // namespace htmlfile_text::codec
