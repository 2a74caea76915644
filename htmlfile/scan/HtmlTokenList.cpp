// Token items and the token list: cutting an HTML text into tag and text
// tokens with the tag scanner, and joining them back.
#include <htmlfile/scan/HtmlTokenList.h>

#include <htmlfile/scan/Html.h>
#include <htmlfile/text/KvuuStdioFile.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

CHtmlTokenItem::CHtmlTokenItem(int nKind, const wchar_t* pszText, int nTagCode)
    : m_nKind(nKind), m_nTagCode(nTagCode), m_strText(pszText)
{
}

CHtmlTagItem::CHtmlTagItem(const wchar_t* pszText)
    : CHtmlTokenItem(HTML_TOKEN_TAG, pszText, HtmlTagCodeFromText(pszText))
{
}

CHtmlTextItem::CHtmlTextItem(const wchar_t* pszText) : CHtmlTokenItem(HTML_TOKEN_TEXT, pszText)
{
}

namespace {

// Half-open span [begin, end) of one tag, in characters of the text.
struct TagSpan {
    size_t begin;
    size_t end;
};

// Records where the scanner saw each start and end tag.
class SpanCollector : public HTMLCallback {
public:
    unsigned int callback(HTML& html, _HTML_cbreason, const wchar_t*, TagAttribute* const) override
    {
        // The scanner's positions are 1-based, '<' and '>' included.
        if (html.TagBegin() >= 1 && html.TagEnd() >= html.TagBegin())
            m_spans.push_back({static_cast<size_t>(html.TagBegin()) - 1, static_cast<size_t>(html.TagEnd())});
        return HTMLCB_NONE;
    }

    std::vector<TagSpan> m_spans;
};

// The scanner counts one position per decoded character. A lone surrogate
// or a value beyond Unicode would not survive the trip through UTF-8 as one
// character, so the scanner is shown U+FFFD in its place; the tokens keep
// the original text.
std::string ScannerBytes(const std::wstring& text)
{
    std::wstring safe(text);
    for (wchar_t& ch : safe) {
        auto c = static_cast<std::uint32_t>(ch);
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            ch = 0xFFFD;
    }
    return WideToUtf8(safe.data(), safe.size());
}

std::vector<TagSpan> ScanTags(const std::wstring& text)
{
    SpanCollector collector;
    HTML scanner;
    scanner.init();
    scanner.regcallback(&collector);
    const std::string bytes = ScannerBytes(text);
    scanner.Feed(bytes.data(), bytes.size());
    scanner.init();
    return std::move(collector.m_spans);
}

} // namespace

CHtmlTokenList::~CHtmlTokenList()
{
    DeleteAll();
}

void CHtmlTokenList::DeleteAll()
{
    while (!IsEmpty())
        delete RemoveHead();
}

BOOL CHtmlTokenList::Parse(const wchar_t* pszText)
{
    return Parse(pszText, pszText ? std::wcslen(pszText) : 0);
}

BOOL CHtmlTokenList::Parse(const wchar_t* pchText, size_t nLength)
{
    if (!pchText) {
        DeleteAll();
        return FALSE;
    }
    // Copied before the old tokens go: the text may be one of theirs.
    const std::wstring text(pchText, nLength);
    DeleteAll();

    // Adds a token; the list owns it once AddTail has succeeded.
    auto add = [this](std::unique_ptr<CHtmlTokenItem> pItem) {
        AddTail(pItem.get());
        pItem.release();
    };
    // The token's text is set from the whole piece afterwards, so that NUL
    // characters in it survive.
    auto addText = [&](size_t from, size_t to) {
        if (to <= from)
            return;
        auto pItem = std::make_unique<CHtmlTextItem>(L"");
        pItem->m_strText = text.substr(from, to - from);
        add(std::move(pItem));
    };

    size_t done = 0;
    for (const TagSpan& span : ScanTags(text)) {
        // A span that overlaps the last one, runs past the text or does not
        // frame a tag stays part of the surrounding text, so that the
        // tokens always join back to the input.
        if (span.begin < done || span.end > text.size() || span.end - span.begin < 2 ||
            text[span.begin] != L'<' || text[span.end - 1] != L'>')
            continue;
        addText(done, span.begin);
        std::wstring tag = text.substr(span.begin, span.end - span.begin);
        auto pItem = std::make_unique<CHtmlTagItem>(tag.c_str());
        pItem->m_strText = std::move(tag);
        add(std::move(pItem));
        done = span.end;
    }
    addText(done, text.size());
    return TRUE;
}

BOOL CHtmlTokenList::Read(CkvuuStdioFile* pFile)
{
    if (!pFile) {
        DeleteAll();
        return FALSE;
    }
    std::wstring text;
    wchar_t buffer[1024];
    while (UINT n = pFile->Read(buffer, 1024, nullptr))
        text.append(buffer, n);
    return Parse(text.data(), text.size());
}

CString CHtmlTokenList::GetText() const
{
    std::wstring text;
    for (POSITION pos = GetHeadPosition(); pos;)
        if (const CHtmlTokenItem* pItem = GetNext(pos))
            text += pItem->m_strText.str();
    return CString(std::move(text));
}

void CHtmlTokenList::Write(CkvuuStdioFile* pFile) const
{
    if (!pFile)
        return;
    for (POSITION pos = GetHeadPosition(); pos;)
        if (const CHtmlTokenItem* pItem = GetNext(pos))
            pFile->Write(pItem->m_strText, static_cast<UINT>(pItem->m_strText.GetLength()));
}
