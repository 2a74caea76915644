// The tag scanner's private parts, shared by the files that implement it:
// the tokenizer states and the scanner's state (HTML::Impl).
#pragma once

#include <htmlfile/platform/Bits.h>
#include <htmlfile/scan/Html.h>
#include <htmlfile/scan/HtmlAttributePool.h>
#include <htmlfile/scan/HtmlText.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#if HTMLFILE_HAVE_SSE2
#include <emmintrin.h>
#endif

namespace htmlscan {

using Byte = unsigned char;

enum class State : unsigned char {
    Data,
    TagOpen,
    EndTagOpen,
    TagName,
    BeforeAttributeName,
    AttributeName,
    AfterAttributeName,
    BeforeAttributeValue,
    AttributeValueDoubleQuoted,
    AttributeValueSingleQuoted,
    AttributeValueUnquoted,
    AfterAttributeValueQuoted,
    SelfClosingStartTag,
    // "<!" seen. Everything but "<!--" (DOCTYPE, CDATA, anything else) ends
    // at the next '>', exactly as a bogus comment does, and gives no event.
    MarkupDeclarationOpen,
    MarkupDeclarationOpenDash, // "<!-" seen
    CommentStart,
    CommentStartDash,
    // The comment less-than-sign states are left out: they only detect
    // nested "<!--" for error reporting and always lead to the same state
    // as the plain comment states do.
    Comment,
    CommentEndDash,
    CommentEnd,
    CommentEndBang,
    BogusComment,
    RCDATA,
    RCDATALessThanSign,
    RCDATAEndTagOpen,
    RCDATAEndTagName,
    // Script content runs through the RAWTEXT states as well: it ends at the
    // first "</script" followed by white space, '/' or '>'.
    RAWTEXT,
    RAWTEXTLessThanSign,
    RAWTEXTEndTagOpen,
    RAWTEXTEndTagName,
    PLAINTEXT,
};

// What the content after the start tag of a switching element is.
enum class Content : unsigned char { RawText, RcData, PlainText };

struct SwitchingElement {
    const char* name;
    size_t length;
    Content content;
};

// The bytes that end a name or a value, as bits of one table entry per
// byte: runs of names and values are skipped with one lookup per byte.
enum : unsigned char {
    kSpaceClass = 1,                    // HTML's white space, with CR, which the tokenizer would only see as LF
    kEndsTagNameClass = 2,              // white space, '/', '>'
    kEndsAttributeNameClass = 4,        // white space, '/', '>', '='
    kEndsUnquotedValueClass = 8,        // white space, '>'
};

struct ByteClasses {
    unsigned char bits[256] = {};
    constexpr ByteClasses()
    {
        for (unsigned char c : {' ', '\n', '\t', '\r', '\f'})
            bits[c] = kSpaceClass | kEndsTagNameClass | kEndsAttributeNameClass | kEndsUnquotedValueClass;
        bits[static_cast<unsigned char>('/')] = kEndsTagNameClass | kEndsAttributeNameClass;
        bits[static_cast<unsigned char>('>')] = kEndsTagNameClass | kEndsAttributeNameClass | kEndsUnquotedValueClass;
        bits[static_cast<unsigned char>('=')] = kEndsAttributeNameClass;
    }
};

inline constexpr ByteClasses kByteClasses{};

inline bool IsSpace(Byte c) noexcept
{
    return kByteClasses.bits[c] & kSpaceClass;
}

inline bool IsAsciiAlpha(Byte c) noexcept
{
    return static_cast<Byte>((c | 0x20) - 'a') < 26;
}

inline bool EndsTagName(Byte c) noexcept
{
    return kByteClasses.bits[c] & kEndsTagNameClass;
}

inline bool EndsAttributeName(Byte c) noexcept
{
    return kByteClasses.bits[c] & kEndsAttributeNameClass;
}

inline bool EndsUnquotedValue(Byte c) noexcept
{
    return kByteClasses.bits[c] & kEndsUnquotedValueClass;
}

// The first `wanted` in [p, end), or end. Most runs between two '<' or two
// quotes are short, where a call to memchr costs more than the search: the
// search is inline, sixteen bytes at a time where the vector unit allows.
inline const Byte* Find(const Byte* p, const Byte* end, Byte wanted) noexcept
{
#if HTMLFILE_HAVE_SSE2
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(wanted));
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, pattern));
        if (mask != 0) return p + htmlfile_platform::CountTrailingZeros(static_cast<unsigned>(mask));
    }
    while (p < end && *p != wanted) ++p;
    return p;
#else
    const void* found = std::memchr(p, wanted, static_cast<size_t>(end - p));
    return found ? static_cast<const Byte*>(found) : end;
#endif
}

template <typename Predicate>
inline const Byte* SkipUntil(const Byte* p, const Byte* end, Predicate stop) noexcept
{
    while (p < end && !stop(*p)) ++p;
    return p;
}

} // namespace htmlscan

struct HTMLFILE_LOCAL HTML::Impl {
    using Byte = htmlscan::Byte;
    using State = htmlscan::State;
    using SwitchingElement = htmlscan::SwitchingElement;

    explicit Impl(HTML& owner) : m_owner(owner) {}

    void Reset();
    void Run(const Byte* p, const Byte* end);
    // The same as Run for one byte. Most bytes only extend the text, value
    // or comment they are in; they take a short cut here.
    void RunByte(Byte byte)
    {
        switch (m_state) {
        case State::Data:
            if (byte == '<' || m_collecting) break;
            m_units.CountOne(byte);
            return;
        case State::AttributeValueDoubleQuoted:
        case State::AttributeValueSingleQuoted:
            // Between blocks the whole tag so far is carried, so the value
            // grows at the end of the carried text.
            if (byte == (m_state == State::AttributeValueDoubleQuoted ? '"' : '\'')) break;
            m_tagCarried.push_back(static_cast<char>(byte));
            m_attributes.back().valueEnd = m_tagCarried.size();
            m_units.CountOne(byte);
            return;
        case State::Comment:
            if (byte == '-') break;
            m_units.CountOne(byte);
            return;
        default:
            break;
        }
        Run(&byte, &byte + 1);
    }

    HTML& m_owner;
    HTMLCallback* m_callback = nullptr;
    State m_state = State::Data;
    unsigned m_resets = 0;

    // Positions.
    htmlscan::UnitCounter m_units;
    const Byte* m_counted = nullptr; // bytes of the current block counted so far end here
    const Byte* m_blockEnd = nullptr;   // of the block being run
    htmlscan::ContinuationIndex m_index; // of the block being run, when m_indexed
    bool m_indexed = false;
    size_t m_continuationsCounted = 0; // continuation bytes before m_counted, when m_indexed
    long long m_markupBegin = 0;     // unit of the latest '<'
    long long m_tagBegin = 0;
    long long m_tagEnd = 0;

    // The tag being read. Its raw text runs from the first letter of its
    // name to its '>'; the name and the attributes are spans of it, as
    // offsets from its start. A tag that lies within one block is read
    // where it is, without a copy; the part that earlier blocks held waits
    // in m_tagCarried and the rest joins it when the tag is complete.
    struct AttributeSpan {
        size_t nameBegin, nameEnd;
        size_t valueBegin, valueEnd;
        bool hasValue;
    };
    bool m_endTag = false;
    bool m_tagOpen = false;
    htmlscan::GrowingBytes m_tagCarried;
    const Byte* m_tagHere = nullptr; // where the tag's text goes on in the current block
    const char* m_tagText = nullptr; // the whole raw text, once the tag is complete
    size_t m_nameEnd = 0;
    std::vector<AttributeSpan> m_attributes;
    std::vector<wchar_t> m_tagName;
    htmlscan::AttributePool m_pool;

    // Inside RCDATA or RAWTEXT content: the element whose end tag ends it,
    // and whether it is RCDATA (text that is collected).
    const SwitchingElement* m_rawContent = nullptr;
    bool m_rcdata = false;

    // Collected text: bytes since the last '<' wait in m_textBytes and are
    // decoded into m_text at the next '<' (a character reference never
    // spans a '<').
    bool m_collecting = false;
    std::string m_textBytes;
    std::wstring m_text;

private:
    // Run's loop body, one call per transition: inlined there, so that a
    // transition costs no call.
#if defined(__GNUC__)
    [[gnu::always_inline]]
#endif
    inline const Byte* Step(const Byte* p, const Byte* end);

    // Positions.
    void CountUnitsUpTo(const Byte* p) noexcept
    {
        if (m_indexed) {
            const size_t continuations = m_index.Before(p);
            const size_t bytes = static_cast<size_t>(p - m_counted);
            m_units.Add(static_cast<long long>(bytes - (continuations - m_continuationsCounted)));
            m_continuationsCounted = continuations;
        } else {
            m_units.Count(m_counted, p);
        }
        m_counted = p;
    }
    void OpenMarkup(const Byte* lessThan);

    // The tag being read. p points into the current block, at or after
    // m_tagHere.
    void BeginTag(bool endTag, const Byte* nameStart);
    size_t TagOffset(const Byte* p) const noexcept
    {
        return m_tagCarried.size() + static_cast<size_t>(p - m_tagHere);
    }
    // The raw text of the tag up to p in one piece: in place while no
    // earlier block holds part of it, else gathered behind the carried part.
    const char* TagTextUpTo(const Byte* p)
    {
        if (m_tagCarried.empty()) return reinterpret_cast<const char*>(m_tagHere);
        m_tagCarried.append(reinterpret_cast<const char*>(m_tagHere), static_cast<size_t>(p - m_tagHere));
        m_tagHere = p;
        return m_tagCarried.data();
    }
    void EndTagName(const Byte* p) { m_nameEnd = TagOffset(p); }
    void StartAttribute(const Byte* nameStart);
    void EndAttributeName(const Byte* p) { m_attributes.back().nameEnd = TagOffset(p); }
    void StartAttributeValue(const Byte* valueStart);
    void EndAttributeValue(const Byte* p) { m_attributes.back().valueEnd = TagOffset(p); }
    const Byte* AfterTagName(const Byte* p);
    const Byte* ReadTag(const Byte* p, const Byte* end);
    // ReadTag's two ways out: the tag ends at the '>' at p, or the block
    // ends in the middle of it.
    const Byte* Emit(const Byte* greaterThan)
    {
        EmitTag(greaterThan);
        return greaterThan + 1;
    }
    const Byte* Suspend(State state)
    {
        m_state = state;
        return m_blockEnd;
    }
    void EmitTag(const Byte* greaterThan);
    void Dispatch();
    TagAttribute* BuildChain();
    const SwitchingElement* SwitchingElementOfTag() const noexcept;
    void EnterContent(const SwitchingElement* element);

    // RCDATA and RAWTEXT.
    State ForContent(State rcdata, State rawtext) const noexcept { return m_rcdata ? rcdata : rawtext; }
    bool IsAppropriateEndTag(const Byte* nameEnd);
    const Byte* ScanRawText(const Byte* p, const Byte* end);
    const Byte* RawTextEndTagName(const Byte* p, const Byte* end);
    void BackToRawText(const char* lessThan);

    // Collected text.
    void CollectText(const Byte* p, const Byte* end)
    {
        if (m_collecting) m_textBytes.append(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
    }
    void CollectText(const char* text)
    {
        if (m_collecting) m_textBytes.append(text);
    }
    void CollectText(const char* text, size_t length)
    {
        if (m_collecting) m_textBytes.append(text, length);
    }
    void FlushText();
    void StartCollecting();
    void StopCollecting();
};

