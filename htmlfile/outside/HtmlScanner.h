// The tag scanner's private parts, shared by the files that implement it:
// the tokenizer states and the scanner's state (HTML::Impl).
#pragma once

#include <htmlfile/outside/Html.h>
#include <htmlfile/outside/HtmlAttributePool.h>
#include <htmlfile/outside/HtmlText.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

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

// HTML's white space, with CR, which the tokenizer would only see as LF.
inline bool IsSpace(Byte c) noexcept
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f';
}

inline bool IsAsciiAlpha(Byte c) noexcept
{
    return static_cast<Byte>((c | 0x20) - 'a') < 26;
}

inline bool EndsTagName(Byte c) noexcept
{
    return IsSpace(c) || c == '/' || c == '>';
}

inline bool EndsAttributeName(Byte c) noexcept
{
    return EndsTagName(c) || c == '=';
}

inline bool EndsUnquotedValue(Byte c) noexcept
{
    return IsSpace(c) || c == '>';
}

inline const Byte* Find(const Byte* p, const Byte* end, Byte wanted) noexcept
{
    const void* found = std::memchr(p, wanted, static_cast<size_t>(end - p));
    return found ? static_cast<const Byte*>(found) : end;
}

template <typename Predicate>
inline const Byte* SkipUntil(const Byte* p, const Byte* end, Predicate stop) noexcept
{
    while (p < end && !stop(*p)) ++p;
    return p;
}

} // namespace htmlscan

struct HTML::Impl {
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
            if (byte == (m_state == State::AttributeValueDoubleQuoted ? '"' : '\'')) break;
            m_tagBytes.push_back(static_cast<char>(byte));
            m_attributes.back().valueEnd = m_tagBytes.size();
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
    long long m_markupBegin = 0;     // unit of the latest '<'
    long long m_tagBegin = 0;
    long long m_tagEnd = 0;

    // The tag being read: its name and attributes as raw bytes in one
    // buffer, the attributes as spans of it.
    struct AttributeSpan {
        size_t nameBegin, nameEnd;
        size_t valueBegin, valueEnd;
        bool hasValue;
    };
    bool m_endTag = false;
    std::string m_tagBytes;
    size_t m_nameBytes = 0;
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
    const Byte* Step(const Byte* p, const Byte* end);

    // Positions.
    void CountUnitsUpTo(const Byte* p) noexcept
    {
        m_units.Count(m_counted, p);
        m_counted = p;
    }
    void OpenMarkup(const Byte* lessThan);

    // The tag being read.
    void BeginTag(bool endTag);
    void AppendToTagName(const Byte* p, const Byte* end)
    {
        AppendBytes(p, end);
        m_nameBytes = m_tagBytes.size();
    }
    void StartAttribute();
    void AppendToAttributeName(const Byte* p, const Byte* end)
    {
        AppendBytes(p, end);
        m_attributes.back().nameEnd = m_tagBytes.size();
    }
    void StartAttributeValue();
    void AppendToAttributeValue(const Byte* p, const Byte* end)
    {
        AppendBytes(p, end);
        m_attributes.back().valueEnd = m_tagBytes.size();
    }
    void AppendBytes(const Byte* p, const Byte* end)
    {
        m_tagBytes.append(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
    }
    const Byte* AfterTagName(const Byte* p);
    void EmitTag(const Byte* greaterThan);
    void Dispatch();
    TagAttribute* BuildChain();
    const SwitchingElement* SwitchingElementOfTag() const noexcept;
    void EnterContent(const SwitchingElement* element);

    // RCDATA and RAWTEXT.
    State ForContent(State rcdata, State rawtext) const noexcept { return m_rcdata ? rcdata : rawtext; }
    bool IsAppropriateEndTag() const noexcept;
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
    void FlushText();
    void StartCollecting();
    void StopCollecting();
};

