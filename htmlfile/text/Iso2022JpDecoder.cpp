// ISO-2022-JP, the one decoder with a state that lasts between sequences: the
// character set the last escape sequence selected.
#include <htmlfile/text/CodecSupport.h>
#include <htmlfile/text/EncodingTables.h>

namespace htmlfile_text::codec {
namespace {

enum CharacterSet : unsigned char { kAscii, kRoman, kKatakana, kJis0208 };

constexpr unsigned char kEscape = 0x1B;
constexpr size_t kEscapeLength = 3;

// What an ESC at p begins.
struct EscapeSequence {
    enum Kind : unsigned char { kSelects, kInvalid, kCut } kind;
    unsigned char set;
};

EscapeSequence EscapeAt(const unsigned char* p, const unsigned char* end) noexcept
{
    if (end - p < 2) return {EscapeSequence::kCut, 0};
    if (p[1] != '$' && p[1] != '(') return {EscapeSequence::kInvalid, 0};
    if (end - p < 3) return {EscapeSequence::kCut, 0};
    if (p[1] == '(' && p[2] == 'B') return {EscapeSequence::kSelects, kAscii};
    if (p[1] == '(' && p[2] == 'J') return {EscapeSequence::kSelects, kRoman};
    if (p[1] == '(' && p[2] == 'I') return {EscapeSequence::kSelects, kKatakana};
    if (p[1] == '$' && (p[2] == '@' || p[2] == 'B')) return {EscapeSequence::kSelects, kJis0208};
    return {EscapeSequence::kInvalid, 0};
}

bool InRange(unsigned byte, unsigned low, unsigned high) noexcept { return byte >= low && byte <= high; }

// The character at p, which is no ESC, in the set in force.
Step CharacterAt(unsigned char set, const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char byte = p[0];
    switch (set) {
    case kKatakana: return InRange(byte, 0x21, 0x5F) ? Character(0xFF61 - 0x21 + byte, 1) : Rejected(1);
    case kJis0208: {
        if (!InRange(byte, 0x21, 0x7E)) return Rejected(1);
        if (end - p < 2) return Incomplete();
        const unsigned char trail = p[1];
        if (trail == kEscape) return Rejected(1);
        if (!InRange(trail, 0x21, 0x7E)) return Rejected(2);
        const std::uint32_t code = tables::CodeAt(tables::kJis0208Index, (byte - 0x21u) * 94 + trail - 0x21);
        return code != 0 ? Character(code, 2) : Rejected(2);
    }
    default:
        if (byte >= 0x80 || byte == 0x0E || byte == 0x0F) return Rejected(1);
        if (set == kRoman && byte == 0x5C) return Character(0xA5, 1);
        if (set == kRoman && byte == 0x7E) return Character(0x203E, 1);
        return Character(byte, 1);
    }
}

} // namespace

// An escape sequence belongs to the unit after it; a second one in a row
// still selects its set but is rejected, as are the bytes no set allows.
size_t DecodeIso2022Jp(Iso2022JpState& state, const unsigned char*& p, const unsigned char* end, bool bAtEnd,
                       wchar_t* out, size_t capacity) noexcept
{
    wchar_t* o = out;
    wchar_t* const oEnd = out + capacity;
    while (p < end && o < oEnd) {
        Iso2022JpState next = state;
        const unsigned char* q = p;
        Step step = Incomplete();
        while (q < end) {
            if (*q != kEscape) {
                step = CharacterAt(next.set, q, end);
                next.bAfterEscape = false;
                break;
            }
            const EscapeSequence escape = EscapeAt(q, end);
            if (escape.kind != EscapeSequence::kSelects) {
                if (escape.kind == EscapeSequence::kInvalid) step = Rejected(1);
                next.bAfterEscape = false;
                break;
            }
            next.set = escape.set;
            if (next.bAfterEscape) {
                step = Rejected(kEscapeLength);
                break;
            }
            next.bAfterEscape = true;
            q += kEscapeLength;
        }
        if (q == end) { // escape sequences and nothing after them
            if (bAtEnd) {
                state = next;
                p = end;
            }
            break;
        }
        if (step.kind == Step::kIncomplete) {
            if (!bAtEnd) break;
            step = Rejected(1);
        }
        if (UnitsFor(step) > static_cast<size_t>(oEnd - o)) break;
        o = PutStep(o, step, q);
        state = next;
        p = q + step.length;
    }
    return static_cast<size_t>(o - out);
}

} // namespace htmlfile_text::codec
