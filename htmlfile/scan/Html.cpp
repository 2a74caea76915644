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
#include <htmlfile/scan/HtmlScanner.h>

#include <algorithm>

using namespace htmlscan;

void HTML::Impl::Reset()
{
    ++m_resets;
    m_state = State::Data;
    m_units.Reset();
    m_counted = nullptr;
    m_markupBegin = m_tagBegin = m_tagEnd = 0;
    m_endTag = false;
    m_tagOpen = false;
    m_tagCarried.release();
    m_tagHere = nullptr;
    m_tagText = nullptr;
    m_nameEnd = 0;
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
    m_blockEnd = end;
    m_indexed = m_units.AtSequenceBoundary() && m_index.Build(p, end);
    m_continuationsCounted = 0;
    if (m_tagOpen) m_tagHere = p;
    // A callback that calls init() starts a new stream: the rest of this
    // block belonged to the old one.
    const unsigned resets = m_resets;
    while (p < end && m_resets == resets) p = Step(p, end);
    if (m_resets != resets) return;
    CountUnitsUpTo(end);
    // The block goes away: a tag still open keeps its text so far.
    if (m_tagOpen) m_tagCarried.append(reinterpret_cast<const char*>(m_tagHere), static_cast<size_t>(end - m_tagHere));
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
        // What TagOpen and EndTagOpen do with a letter, without the two
        // transitions: most '<' start a tag.
        const Byte* next = lessThan + 1;
        if (end - next >= 1 && IsAsciiAlpha(next[0])) {
            BeginTag(false, next);
            return ReadTag(next, end);
        }
        if (end - next >= 2 && next[0] == '/' && IsAsciiAlpha(next[1])) {
            BeginTag(true, next + 1);
            return ReadTag(next + 1, end);
        }
        m_state = State::TagOpen;
        return next;
    }
    case State::TagOpen:
        if (IsAsciiAlpha(c)) {
            BeginTag(false, p);
            return ReadTag(p, end);
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
            BeginTag(true, p);
            return ReadTag(p, end);
        }
        if (c == '>') { // "</>" is dropped altogether
            m_state = State::Data;
            return p + 1;
        }
        m_state = State::BogusComment;
        return p;
    case State::TagName: {
        const Byte* stop = SkipUntil(p, end, EndsTagName);
        EndTagName(stop);
        return stop == end ? end : AfterTagName(stop);
    }
    case State::BeforeAttributeName:
        if (IsSpace(c)) return p + 1;
        if (c == '/' || c == '>') {
            m_state = State::AfterAttributeName;
            return p;
        }
        StartAttribute(p);
        m_state = State::AttributeName;
        if (c == '=') { // a name may start with '='
            EndAttributeName(p + 1);
            return p + 1;
        }
        return p;
    case State::AttributeName: {
        const Byte* stop = SkipUntil(p, end, EndsAttributeName);
        EndAttributeName(stop);
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
            StartAttribute(p);
            m_state = State::AttributeName;
            return p;
        }
        return p + 1;
    case State::BeforeAttributeValue:
        if (IsSpace(c)) return p + 1;
        if (c == '"' || c == '\'') {
            StartAttributeValue(p + 1);
            m_state = c == '"' ? State::AttributeValueDoubleQuoted : State::AttributeValueSingleQuoted;
            return p + 1;
        }
        StartAttributeValue(p);
        if (c == '>') { // "name=>": an empty value
            EmitTag(p);
            return p + 1;
        }
        m_state = State::AttributeValueUnquoted;
        return p;
    case State::AttributeValueDoubleQuoted:
    case State::AttributeValueSingleQuoted: {
        const Byte* quote = Find(p, end, m_state == State::AttributeValueDoubleQuoted ? '"' : '\'');
        EndAttributeValue(quote);
        if (quote == end) return end;
        m_state = State::AfterAttributeValueQuoted;
        return quote + 1;
    }
    case State::AttributeValueUnquoted: {
        const Byte* stop = SkipUntil(p, end, EndsUnquotedValue);
        EndAttributeValue(stop);
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
        BeginTag(true, p);
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

// A tag from the first letter of its name: the states TagName to
// SelfClosingStartTag as above, transition for transition, but jumping
// from state to state directly. The dispatch on m_state at every
// transition is an indirect jump that the processor mispredicts often;
// here each transition is a plain branch. Returns after the tag's '>' (the
// tag emitted), or at the end of the block with m_state set to the state
// the next block resumes in.
const Byte* HTML::Impl::ReadTag(const Byte* p, const Byte* end)
{
    // TagName.
    p = SkipUntil(p, end, EndsTagName);
    EndTagName(p);
    if (p == end) return Suspend(State::TagName);
    if (*p == '>') return Emit(p);
    if (*p++ == '/') goto selfClosingStartTag;

beforeAttributeName:
    while (p < end && IsSpace(*p)) ++p;
    if (p == end) return Suspend(State::BeforeAttributeName);
    if (*p == '/' || *p == '>') goto afterAttributeName;
    StartAttribute(p);
    if (*p == '=') { // a name may start with '='
        ++p;
        EndAttributeName(p);
    }
    // AttributeName.
    p = SkipUntil(p, end, EndsAttributeName);
    EndAttributeName(p);
    if (p == end) return Suspend(State::AttributeName);
    if (*p == '=') {
        ++p;
        goto beforeAttributeValue;
    }

afterAttributeName:
    while (p < end && IsSpace(*p)) ++p;
    if (p == end) return Suspend(State::AfterAttributeName);
    switch (*p) {
    case '/': ++p; goto selfClosingStartTag;
    case '=': ++p; goto beforeAttributeValue;
    case '>': return Emit(p);
    default:
        StartAttribute(p);
        p = SkipUntil(p, end, EndsAttributeName);
        EndAttributeName(p);
        if (p == end) return Suspend(State::AttributeName);
        if (*p != '=') goto afterAttributeName;
        ++p;
        goto beforeAttributeValue;
    }

beforeAttributeValue:
    while (p < end && IsSpace(*p)) ++p;
    if (p == end) return Suspend(State::BeforeAttributeValue);
    if (*p == '"' || *p == '\'') {
        const Byte quote = *p++;
        StartAttributeValue(p);
        p = Find(p, end, quote);
        EndAttributeValue(p);
        if (p == end)
            return Suspend(quote == '"' ? State::AttributeValueDoubleQuoted : State::AttributeValueSingleQuoted);
        ++p;
        // AfterAttributeValueQuoted.
        if (p == end) return Suspend(State::AfterAttributeValueQuoted);
        if (IsSpace(*p)) {
            ++p;
            goto beforeAttributeName;
        }
        if (*p == '/') {
            ++p;
            goto selfClosingStartTag;
        }
        if (*p == '>') return Emit(p);
        goto beforeAttributeName;
    }
    StartAttributeValue(p);
    if (*p == '>') return Emit(p); // "name=>": an empty value
    // AttributeValueUnquoted.
    p = SkipUntil(p, end, EndsUnquotedValue);
    EndAttributeValue(p);
    if (p == end) return Suspend(State::AttributeValueUnquoted);
    if (*p == '>') return Emit(p);
    ++p;
    goto beforeAttributeName;

selfClosingStartTag:
    if (p == end) return Suspend(State::SelfClosingStartTag);
    if (*p == '>') return Emit(p);
    goto beforeAttributeName;
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
    EndTagName(stop);
    if (stop == end) return end;
    if (EndsTagName(*stop) && IsAppropriateEndTag(stop)) return AfterTagName(stop);
    // Not the content's end tag: "</" and the letters are text.
    m_tagOpen = false;
    BackToRawText("</");
    if (m_rcdata) CollectText(TagTextUpTo(stop), m_nameEnd);
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
    // In blocks that the position index can hold; a callback that calls
    // init() ends the whole call, as it ends the block it is in.
    const unsigned resets = m_pImpl->m_resets;
    for (size_t done = 0; done < nLength && m_pImpl->m_resets == resets;) {
        const size_t n = std::min(nLength - done, htmlscan::ContinuationIndex::kLargestBlock);
        m_pImpl->Run(bytes + done, bytes + done + n);
        done += n;
    }
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
