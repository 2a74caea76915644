// What the tag scanner does around a tag: building it while it is read,
// reporting it to the callback with its attribute chain, switching to raw
// text after script, style, title and the like, and collecting text.
#include <htmlfile/scan/HtmlScanner.h>

using namespace htmlscan;

namespace {

constexpr SwitchingElement kSwitchingElements[] = {
    {"script", 6, Content::RawText},   {"style", 5, Content::RawText},   {"xmp", 3, Content::RawText},
    {"iframe", 6, Content::RawText},   {"noembed", 7, Content::RawText}, {"title", 5, Content::RcData},
    {"textarea", 8, Content::RcData}, {"plaintext", 9, Content::PlainText},
};

// Buffers that grew beyond this for one huge tag or text are given back
// instead of being kept for the rest of the stream.
constexpr size_t kLargestKeptBuffer = 64 * 1024;

bool EqualsIgnoringAsciiCase(const char* text, size_t textLength, const SwitchingElement& element) noexcept
{
    if (textLength != element.length) return false;
    const char* lowerCase = element.name;
    for (size_t i = 0; i < textLength; ++i) {
        Byte c = static_cast<Byte>(text[i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<Byte>(c + 32);
        if (c != static_cast<Byte>(lowerCase[i])) return false;
    }
    return true;
}

void ReleaseIfHuge(std::string& buffer)
{
    if (buffer.capacity() > kLargestKeptBuffer) std::string().swap(buffer);
}

void ReleaseIfHuge(GrowingBytes& buffer)
{
    if (buffer.capacity() > kLargestKeptBuffer) buffer.release();
}

} // namespace

void HTML::Impl::BeginTag(bool endTag, const Byte* nameStart)
{
    m_endTag = endTag;
    m_tagOpen = true;
    if (!m_tagCarried.empty()) {
        ReleaseIfHuge(m_tagCarried);
        m_tagCarried.clear();
    }
    m_tagHere = nameStart;
    m_nameEnd = 0;
    if (!m_attributes.empty()) {
        if (m_attributes.capacity() > kLargestKeptBuffer) std::vector<AttributeSpan>().swap(m_attributes);
        m_attributes.clear();
    }
    if (m_tagName.capacity() > kLargestKeptBuffer) std::vector<wchar_t>().swap(m_tagName);
}

void HTML::Impl::StartAttribute(const Byte* nameStart)
{
    const size_t here = TagOffset(nameStart);
    m_attributes.push_back({here, here, here, here, false});
}

void HTML::Impl::StartAttributeValue(const Byte* valueStart)
{
    AttributeSpan& attribute = m_attributes.back();
    attribute.hasValue = true;
    attribute.valueBegin = attribute.valueEnd = TagOffset(valueStart);
}

// The byte after a tag name: white space, '/' or '>'.
const Byte* HTML::Impl::AfterTagName(const Byte* p)
{
    if (*p == '>') EmitTag(p);
    else m_state = *p == '/' ? State::SelfClosingStartTag : State::BeforeAttributeName;
    return p + 1;
}

void HTML::Impl::EmitTag(const Byte* greaterThan)
{
    CountUnitsUpTo(greaterThan + 1);
    m_tagBegin = m_markupBegin;
    m_tagEnd = m_units.Units();
    m_tagText = TagTextUpTo(greaterThan);
    m_tagOpen = false;
    const SwitchingElement* element = SwitchingElementOfTag();
    m_state = State::Data;
    if (m_callback) Dispatch();
    EnterContent(element);
}

void HTML::Impl::Dispatch()
{
    if (m_tagName.size() < m_nameEnd + 1) m_tagName.resize(m_nameEnd + 1);
    m_tagName[htmlscan::DecodeTagUtf8(m_tagText, m_nameEnd, m_tagName.data())] = L'\0';
    FlushText();
    const size_t count = m_endTag ? 0 : m_attributes.size();
    TagAttribute* chain = count ? BuildChain() : nullptr;

    const unsigned int code =
        m_callback->callback(m_owner, m_endTag ? HTMLCB_ENDTAG : HTMLCB_STARTTAG, m_tagName.data(), chain);

    if (code & HTMLCB_KEEPATTRIBUTES) m_pool.HandOver(count);
    else m_pool.TakeBack(count);
    if (code & HTMLCB_STOPTEXT) StopCollecting();
    if (!m_endTag && (code & HTMLCB_COLLECTTEXT)) StartCollecting();
}

TagAttribute* HTML::Impl::BuildChain()
{
    const char* bytes = m_tagText;
    TagAttribute* first = nullptr;
    for (size_t i = 0; i < m_attributes.size(); ++i) {
        const AttributeSpan& a = m_attributes[i];
        TagAttribute* node = m_pool.Fill(i, bytes + a.nameBegin, a.nameEnd - a.nameBegin, bytes + a.valueBegin,
                                         a.valueEnd - a.valueBegin, a.hasValue);
        if (!first) first = node;
    }
    return first;
}

const SwitchingElement* HTML::Impl::SwitchingElementOfTag() const noexcept
{
    // Most tags are short and common (p, a, td, span): no switching
    // element has fewer than three letters or more than nine.
    if (m_endTag || m_nameEnd < 3 || m_nameEnd > 9) return nullptr;
    for (const SwitchingElement& element : kSwitchingElements)
        if (EqualsIgnoringAsciiCase(m_tagText, m_nameEnd, element)) return &element;
    return nullptr;
}

void HTML::Impl::EnterContent(const SwitchingElement* element)
{
    if (!element) return;
    if (element->content == Content::PlainText) {
        m_state = State::PLAINTEXT;
        return;
    }
    m_rcdata = element->content == Content::RcData;
    m_rawContent = element;
    m_state = ForContent(State::RCDATA, State::RAWTEXT);
}

void HTML::Impl::FlushText()
{
    if (m_textBytes.empty()) return;
    htmlscan::AppendDecodedText(m_text, m_textBytes.data(), m_textBytes.size());
    m_textBytes.clear();
}

void HTML::Impl::StartCollecting()
{
    m_collecting = true;
    m_textBytes.clear();
    m_text.clear();
}

void HTML::Impl::StopCollecting()
{
    m_collecting = false;
    ReleaseIfHuge(m_textBytes);
    m_textBytes.clear();
    if (m_text.capacity() > kLargestKeptBuffer) std::wstring().swap(m_text);
    m_text.clear();
}

bool HTML::Impl::IsAppropriateEndTag(const Byte* nameEnd)
{
    return m_rawContent && m_nameEnd == m_rawContent->length &&
           EqualsIgnoringAsciiCase(TagTextUpTo(nameEnd), m_nameEnd, *m_rawContent);
}
