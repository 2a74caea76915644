// The tag scanner's state machine. Each state bears the name of the HTML
// tokenizer state it follows; only what decides where tags begin and end is
// kept (no parse errors, no DOCTYPE or comment tokens, no character tokens
// except the text that a callback asked to be collected).
//
// Bytes are consumed in runs wherever a state only waits for one byte (a
// '<' in text, the closing quote of a value, a '-' in a comment), so long
// text, values and comments cost one memchr each. Units (the positions) are
// counted lazily: only when a tag needs a position, and for the rest of the
// block when a Feed call returns.
#include <htmlfile/outside/HtmlScanner.h>

using namespace htmlscan;

void HTML::Impl::Reset()
{
    ++m_resets;
    m_state = State::Data;
    m_units.Reset();
    m_counted = nullptr;
    m_markupBegin = m_tagBegin = m_tagEnd = 0;
    m_endTag = false;
    std::string().swap(m_tagBytes);
    m_nameBytes = 0;
    std::vector<AttributeSpan>().swap(m_attributes);
    std::vector<wchar_t>().swap(m_tagName);
    m_pool.Release();
    m_rawContent = nullptr;
    m_rcdata = false;
    m_collecting = false;
    std::string().swap(m_textBytes);
    std::wstring().swap(m_text);
}

void HTML::Impl::Run(const Byte* p, const Byte* end)
{
    m_counted = p;
    // A callback that calls init() starts a new stream: the rest of this
    // block belonged to the old one.
    const unsigned resets = m_resets;
    while (p < end && m_resets == resets) p = Step(p, end);
    if (m_resets == resets) CountUnitsUpTo(end);
}

// One transition: consumes one byte, a run of bytes, or nothing (when the
// state changes and the same byte is looked at again in the new state).
// Returns where the next transition starts.
const Byte* HTML::Impl::Step(const Byte* p, const Byte* end)
{
    const Byte c = *p;
    switch (m_state) {
    case State::Data: {
        const Byte* lessThan = Find(p, end, '<');
        CollectText(p, lessThan);
        if (lessThan == end) return end;
        OpenMarkup(lessThan);
        m_state = State::TagOpen;
        return lessThan + 1;
    }
    case State::TagOpen:
        if (IsAsciiAlpha(c)) {
            BeginTag(false);
            m_state = State::TagName;
            return p;
        }
        if (c == '!') m_state = State::MarkupDeclarationOpen;
        else if (c == '/') m_state = State::EndTagOpen;
        else if (c == '?') {
            m_state = State::BogusComment;
            return p;
        } else {
            CollectText("<"); // a '<' that starts nothing is text
            m_state = State::Data;
            return p;
        }
        return p + 1;
    case State::EndTagOpen:
        if (IsAsciiAlpha(c)) {
            BeginTag(true);
            m_state = State::TagName;
            return p;
        }
        if (c == '>') { // "</>" is dropped altogether
            m_state = State::Data;
            return p + 1;
        }
        m_state = State::BogusComment;
        return p;
    case State::TagName: {
        const Byte* stop = SkipUntil(p, end, EndsTagName);
        AppendToTagName(p, stop);
        return stop == end ? end : AfterTagName(stop);
    }
    case State::BeforeAttributeName:
        if (IsSpace(c)) return p + 1;
        if (c == '/' || c == '>') {
            m_state = State::AfterAttributeName;
            return p;
        }
        StartAttribute();
        m_state = State::AttributeName;
        if (c == '=') { // a name may start with '='
            AppendToAttributeName(p, p + 1);
            return p + 1;
        }
        return p;
    case State::AttributeName: {
        const Byte* stop = SkipUntil(p, end, EndsAttributeName);
        AppendToAttributeName(p, stop);
        if (stop == end) return end;
        if (*stop == '=') {
            m_state = State::BeforeAttributeValue;
            return stop + 1;
        }
        m_state = State::AfterAttributeName;
        return stop;
    }
    case State::AfterAttributeName:
        if (IsSpace(c)) return p + 1;
        if (c == '/') m_state = State::SelfClosingStartTag;
        else if (c == '=') m_state = State::BeforeAttributeValue;
        else if (c == '>') EmitTag(p);
        else {
            StartAttribute();
            m_state = State::AttributeName;
            return p;
        }
        return p + 1;
    case State::BeforeAttributeValue:
        if (IsSpace(c)) return p + 1;
        StartAttributeValue();
        if (c == '"') m_state = State::AttributeValueDoubleQuoted;
        else if (c == '\'') m_state = State::AttributeValueSingleQuoted;
        else if (c == '>') EmitTag(p); // "name=>": an empty value
        else {
            m_state = State::AttributeValueUnquoted;
            return p;
        }
        return p + 1;
    case State::AttributeValueDoubleQuoted:
    case State::AttributeValueSingleQuoted: {
        const Byte* quote = Find(p, end, m_state == State::AttributeValueDoubleQuoted ? '"' : '\'');
        AppendToAttributeValue(p, quote);
        if (quote == end) return end;
        m_state = State::AfterAttributeValueQuoted;
        return quote + 1;
    }
    case State::AttributeValueUnquoted: {
        const Byte* stop = SkipUntil(p, end, EndsUnquotedValue);
        AppendToAttributeValue(p, stop);
        if (stop == end) return end;
        if (*stop == '>') EmitTag(stop);
        else m_state = State::BeforeAttributeName;
        return stop + 1;
    }
    case State::AfterAttributeValueQuoted:
        if (IsSpace(c)) m_state = State::BeforeAttributeName;
        else if (c == '/') m_state = State::SelfClosingStartTag;
        else if (c == '>') EmitTag(p);
        else {
            m_state = State::BeforeAttributeName;
            return p;
        }
        return p + 1;
    case State::SelfClosingStartTag:
        if (c == '>') {
            EmitTag(p);
            return p + 1;
        }
        m_state = State::BeforeAttributeName;
        return p;
    case State::MarkupDeclarationOpen:
    case State::MarkupDeclarationOpenDash:
        if (c != '-') {
            m_state = State::BogusComment;
            return p;
        }
        m_state = m_state == State::MarkupDeclarationOpen ? State::MarkupDeclarationOpenDash : State::CommentStart;
        return p + 1;
    case State::CommentStart:
    case State::CommentStartDash:
        if (c != '-' && c != '>') {
            m_state = State::Comment;
            return p;
        }
        if (c == '>') m_state = State::Data; // "<!-->" and "<!--->" are whole comments
        else m_state = m_state == State::CommentStart ? State::CommentStartDash : State::CommentEnd;
        return p + 1;
    case State::Comment: {
        const Byte* dash = Find(p, end, '-');
        if (dash == end) return end;
        m_state = State::CommentEndDash;
        return dash + 1;
    }
    case State::CommentEndDash:
        if (c != '-') {
            m_state = State::Comment;
            return p;
        }
        m_state = State::CommentEnd;
        return p + 1;
    case State::CommentEnd:
        if (c == '>') m_state = State::Data;
        else if (c == '!') m_state = State::CommentEndBang;
        else if (c != '-') {
            m_state = State::Comment;
            return p;
        }
        return p + 1;
    case State::CommentEndBang:
        if (c == '>') m_state = State::Data; // "--!>" also ends a comment
        else if (c == '-') m_state = State::CommentEndDash;
        else {
            m_state = State::Comment;
            return p;
        }
        return p + 1;
    case State::BogusComment: {
        const Byte* greaterThan = Find(p, end, '>');
        if (greaterThan == end) return end;
        m_state = State::Data;
        return greaterThan + 1;
    }
    case State::RCDATA:
    case State::RAWTEXT:
        return ScanRawText(p, end);
    case State::RCDATALessThanSign:
    case State::RAWTEXTLessThanSign:
        if (c != '/') {
            BackToRawText("<");
            return p;
        }
        m_state = ForContent(State::RCDATAEndTagOpen, State::RAWTEXTEndTagOpen);
        return p + 1;
    case State::RCDATAEndTagOpen:
    case State::RAWTEXTEndTagOpen:
        if (!IsAsciiAlpha(c)) {
            BackToRawText("</");
            return p;
        }
        BeginTag(true);
        m_state = ForContent(State::RCDATAEndTagName, State::RAWTEXTEndTagName);
        return p;
    case State::RCDATAEndTagName:
    case State::RAWTEXTEndTagName:
        return RawTextEndTagName(p, end);
    case State::PLAINTEXT:
        return end;
    }
    return end;
}

void HTML::Impl::OpenMarkup(const Byte* lessThan)
{
    CountUnitsUpTo(lessThan + 1);
    m_markupBegin = m_units.Units();
    FlushText();
}

const Byte* HTML::Impl::ScanRawText(const Byte* p, const Byte* end)
{
    const Byte* lessThan = Find(p, end, '<');
    if (m_rcdata) CollectText(p, lessThan);
    if (lessThan == end) return end;
    OpenMarkup(lessThan);
    m_state = ForContent(State::RCDATALessThanSign, State::RAWTEXTLessThanSign);
    return lessThan + 1;
}

// Letters after "</" in RCDATA or RAWTEXT: the content's own end tag when
// they spell its name and white space, '/' or '>' follows; text otherwise.
const Byte* HTML::Impl::RawTextEndTagName(const Byte* p, const Byte* end)
{
    const Byte* stop = SkipUntil(p, end, [](Byte c) { return !IsAsciiAlpha(c); });
    AppendToTagName(p, stop);
    if (stop == end) return end;
    if (EndsTagName(*stop) && IsAppropriateEndTag()) return AfterTagName(stop);
    BackToRawText("</");
    if (m_rcdata) CollectText(m_tagBytes.c_str());
    return stop;
}

// What looked like the start of an end tag is text after all.
void HTML::Impl::BackToRawText(const char* lessThan)
{
    if (m_rcdata) CollectText(lessThan);
    m_state = ForContent(State::RCDATA, State::RAWTEXT);
}

HTML::HTML() : m_pImpl(std::make_unique<Impl>(*this)) {}

HTML::~HTML() = default;

void HTML::init()
{
    m_pImpl->Reset();
}

void HTML::regcallback(HTMLCallback* pCallback)
{
    m_pImpl->m_callback = pCallback;
}

char HTML::operator<<(char ch)
{
    m_pImpl->RunByte(static_cast<Byte>(ch));
    return ch;
}

void HTML::Feed(const char* pData, size_t nLength)
{
    if (!pData || !nLength) return;
    const auto* bytes = reinterpret_cast<const Byte*>(pData);
    m_pImpl->Run(bytes, bytes + nLength);
}

int HTML::TagBegin() const noexcept
{
    return static_cast<int>(m_pImpl->m_tagBegin);
}

int HTML::TagEnd() const noexcept
{
    return static_cast<int>(m_pImpl->m_tagEnd);
}

BOOL HTML::HasCollectedText() const noexcept
{
    return m_pImpl->m_text.empty() ? FALSE : TRUE;
}

const wchar_t* HTML::CollectedText() const noexcept
{
    return m_pImpl->m_text.c_str();
}

long long HTML::Position() const noexcept
{
    return m_pImpl->m_units.Units();
}
