#include "TopicCorpus.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

namespace bench {
namespace {

// splitmix64: tiny, fast and the same sequence everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <size_t N>
    const char* Pick(const char* const (&items)[N])
    {
        return items[Below(N)];
    }

private:
    std::uint64_t m_state;
};

constexpr std::uint64_t kSeed = 0x70B1C5EEDull;

const char* const kWords[] = {
    "the", "topic", "window", "select", "option", "click", "menu", "file", "settings", "user",
    "help", "index", "search", "print", "font", "toolbar", "dialog", "box", "button", "press",
    "open", "save", "close", "view", "page", "layout", "keyword", "project", "compile", "table",
    "contents", "browse", "sequence", "jump", "popup", "glossary", "caf\xC3\xA9", "na\xC3\xAFve",
    "r\xC3\xA9sum\xC3\xA9", "\xC3\x9C" "bersicht", "Gr\xC3\xB6\xC3\x9F" "e", "\xE2\x80\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D",
    "\xE4\xB8\xAD\xE6\x96\x87", "\xE5\xB8\xAE\xE5\x8A\xA9", "\xE8\xAE\xBE\xE7\xBD\xAE", "\xF0\x9F\x98\x80",
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",
    "\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", "&amp;", "&eacute;t&eacute;", "&nbsp;",
    "&copy;", "&#169;", "&#x2014;", "&lt;Enter&gt;", "R&amp;D", "a&b", "Ctrl+S", "F1", "(see", "below)",
};

// Words Shift_JIS holds (kanji, kana, half-width katakana, trail bytes
// that are "\\" as in 表 and ソ) and words GBK holds (simplified and
// traditional characters, full-width punctuation, the one-byte euro sign).
const char* const kJapaneseWords[] = {
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE5\x8D\xB0\xE5\x88\xB7", "\xE8\xA8\xAD\xE5\xAE\x9A",
    "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97", "\xE8\xA1\xA8\xE7\xA4\xBA", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88",
    "\xE6\xA4\x9C\xE7\xB4\xA2", "\xE3\x82\xAD\xE3\x83\xBC\xE3\x83\xAF\xE3\x83\xBC\xE3\x83\x89",
    "\xE7\x9B\xAE\xE6\xAC\xA1", "\xE3\x80\x8C\xE9\x96\x8B\xE3\x81\x8F\xE3\x80\x8D",
    "\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85", "\xE3\x81\xAE",
};
const char* const kChineseWords[] = {
    "\xE4\xB8\xAD\xE6\x96\x87", "\xE5\xB8\xAE\xE5\x8A\xA9", "\xE8\xAE\xBE\xE7\xBD\xAE", "\xE6\x89\x93\xE5\x8D\xB0",
    "\xE6\x90\x9C\xE7\xB4\xA2", "\xE5\x85\xB3\xE9\x94\xAE\xE5\xAD\x97", "\xE7\xB9\x81\xE9\xAB\x94",
    "\xE7\x9B\xAE\xE5\xBD\x95", "\xE3\x80\x94\xE6\xB3\xA8\xE3\x80\x95", "\xE2\x82\xAC",
    "\xE7\xAA\x97\xE5\x8F\xA3", "\xE7\x9A\x84",
};

const char* const kTitles[] = {
    "Setting up printers &amp; fonts",
    "Caf&eacute; options",
    "\xC3\x9C" "bersicht \xE2\x80\x94 \xE4\xB8\xAD\xE6\x96\x87 help \xF0\x9F\x98\x80",
    "Keyboard shortcuts",
    "Search &amp; Index",
    "What&#39;s new",
};

const char* const kScripts[] = {
    "var s = \"<body>\"; document.write('<body bgcolor=red>');",
    "if (a < b && b > c) { x = \"</div>\"; y = '<p class=\"x\">'; }",
    "function go(u) { location.href = u + \"#top\"; } // <a href=\"x.htm\">",
};

const char* const kStyles[] = {
    "body { font-family: Verdana, sans-serif; font-size: 10pt }",
    "p > a:hover { color: #0000ff } .note { margin-left: 2em }",
    "pre { background: url(\"img/bg.gif\") } /* <style> </style-ish> */",
};

const char* const kComments[] = {
    "<!-- <title>not this</title> -->",
    "<!-- <a href=\"old.htm\">old link</a> <body bgcolor=red> -->",
    "<!-- generated page - do not edit -->",
};

const char* const kInline[] = {"b", "i", "code", "em", "strong"};

// An attribute as written: name, value and quote (0: no value, ' ': no
// quotes).
struct Attribute {
    const char* name;
    std::string value;
    char quote;
};

Attribute Q(const char* name, std::string value, char quote = '"') { return {name, std::move(value), quote}; }
Attribute Bare(const char* name) { return {name, std::string(), 0}; }

// Buffers the output and counts the markup written.
class Writer {
public:
    explicit Writer(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "wb"))
    {
        if (!m_file) throw std::runtime_error("cannot create " + path);
        m_buffer.reserve(kFlushAt + 64 * 1024);
    }
    ~Writer()
    {
        if (m_file) std::fclose(m_file);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void Raw(std::string_view text)
    {
        m_buffer.append(text);
        m_counts.bytes += text.size();
        if (m_buffer.size() >= kFlushAt) Flush();
    }

    void Tag(std::string_view name, std::initializer_list<Attribute> attributes = {})
    {
        m_scratch.assign("<");
        AppendName(name);
        for (const Attribute& a : attributes) {
            m_scratch.push_back(' ');
            AppendName(a.name);
            if (a.quote == 0) continue;
            m_scratch.push_back('=');
            if (a.quote != ' ') m_scratch.push_back(a.quote);
            m_scratch.append(a.value);
            if (a.quote != ' ') m_scratch.push_back(a.quote);
        }
        m_scratch.push_back('>');
        Raw(m_scratch);
        ++m_counts.startTags;
        m_counts.attributes += attributes.size();
    }

    void End(std::string_view name)
    {
        m_scratch.assign("</");
        AppendName(name);
        m_scratch.push_back('>');
        Raw(m_scratch);
        ++m_counts.endTags;
    }

    void Element(std::string_view name, std::string_view text, std::initializer_list<Attribute> attributes = {})
    {
        Tag(name, attributes);
        Raw(text);
        End(name);
    }

    // Names come out lower-case, upper-case or mixed, page by page.
    enum class Case { Lower, Upper, Mixed };
    void SetCase(Case c, Rng* rng)
    {
        m_case = c;
        m_rng = rng;
    }

    void NewPage() { ++m_counts.pages; }
    std::uint64_t Bytes() const { return m_counts.bytes; }

    MarkupCounts Finish()
    {
        Flush();
        if (std::fclose(m_file) != 0) {
            m_file = nullptr;
            throw std::runtime_error("cannot write " + m_path);
        }
        m_file = nullptr;
        return m_counts;
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;

    void AppendName(std::string_view name)
    {
        const bool upper = m_case == Case::Upper || (m_case == Case::Mixed && m_rng->Chance(30));
        for (char c : name) m_scratch.push_back(upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    }

    void Flush()
    {
        if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            throw std::runtime_error("cannot write " + m_path);
        m_buffer.clear();
    }

    std::string m_path;
    std::FILE* m_file;
    std::string m_buffer;
    std::string m_scratch;
    MarkupCounts m_counts;
    Case m_case = Case::Lower;
    Rng* m_rng = nullptr;
};

constexpr std::string_view kCrLf = "\r\n";

std::string Number(const char* prefix, unsigned n, const char* suffix = "")
{
    return prefix + std::to_string(n) + suffix;
}

// One topic page, block by block.
class PageWriter {
public:
    PageWriter(Writer& out, Rng& rng, bool recordables, TopicLanguage language)
        : m_out(out), m_rng(rng), m_recordables(recordables), m_language(language)
    {
    }

    void Head(unsigned index)
    {
        m_out.Raw(m_rng.Chance(50) ? "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n"
                                   : "<!doctype html>\r\n");
        if (m_rng.Chance(50)) m_out.Tag("html");
        else m_out.Tag("html", {Q("lang", "en"), Q("dir", "ltr", ' ')});
        m_out.Raw(kCrLf);
        m_out.Tag("head");
        m_out.Raw(kCrLf);
        m_out.Tag("meta", {Q("http-equiv", "Content-Type"), Q("content", "text/html; charset=utf-8")});
        m_out.Raw(kCrLf);
        m_out.Tag("meta", {Q("name", "keywords", ' '), Q("content", "caf\xC3\xA9, setup, \xE4\xB8\xAD\xE6\x96\x87", '\'')});
        m_out.Raw(kCrLf);
        m_out.Element("title", std::string(m_rng.Pick(kTitles)) + " " + std::to_string(index));
        m_out.Raw(kCrLf);
        m_out.Tag("link", {Q("rel", "stylesheet"), Q("href", m_rng.Chance(50) ? "styles/help.css" : "../styles/help.css", ' '),
                           Q("type", "text/css")});
        m_out.Raw(kCrLf);
        if (m_rng.Chance(60)) Style();
        if (m_rng.Chance(50)) Script();
        if (m_rng.Chance(50)) Comment();
        if (!m_rng.Chance(10)) { // some old topics never close their head
            m_out.End("head");
            m_out.Raw(kCrLf);
        }
        switch (m_rng.Below(3)) {
        case 0:
            m_out.Tag("body", {Q("bgcolor", "#ffffff"), Q("text", "black", ' '), Q("background", "img/bg.gif")});
            break;
        case 1:
            m_out.Tag("body", {Q("bgcolor", "#ffffff"), Q("text", "black", ' '), Q("background", "img/bg.gif"),
                               Q("link", "#0000ff", '\'')});
            break;
        default:
            m_out.Tag("body", {Q("BGCOLOR", "White", ' '), Q("topmargin", "0", ' '), Q("leftmargin", "5", ' ')});
            break;
        }
        m_out.Raw(kCrLf);
        if (m_recordables) {
            if (m_rng.Chance(80)) KeywordObject(1);
            if (m_rng.Chance(5)) {
                m_out.Tag("bgsound", {Q("src", "sounds/intro.wav"), Q("loop", "2", ' ')});
                m_out.Raw(kCrLf);
            }
            m_out.Element("a", "", {Q("name", "top", ' ')});
        }
        m_out.Element("h1", m_rng.Pick(kTitles), {Q("align", "center", ' ')});
        m_out.Raw(kCrLf);
    }

    void Block(unsigned n)
    {
        switch (m_rng.Below(14)) {
        case 0:
        case 1:
        case 2:
        case 3: Paragraph(!m_rng.Chance(30)); break; // an unclosed <p> ends at the next block
        case 4: Heading(n); break;
        case 5: Listing(); break;
        case 6: Table(); break;
        case 7:
            if (m_recordables) ImageMap();
            else Preformatted();
            break;
        case 8: Preformatted(); break;
        case 9: Script(); break;
        case 10: Note(); break;
        case 11: Comment(); break;
        case 12: Rule(); break;
        default:
            if (m_recordables && m_rng.Chance(50)) KeywordObject(n);
            else Paragraph(true);
            break;
        }
    }

    void Foot()
    {
        m_out.Tag("p");
        if (m_recordables) m_out.Element("a", "Back to top", {Q("href", "#top")});
        else m_out.Element("b", "End of topic");
        m_out.End("p");
        m_out.Raw(kCrLf);
        m_out.End("body");
        m_out.Raw(kCrLf);
        m_out.End("html");
        m_out.Raw(kCrLf);
    }

private:
    void Words(unsigned lo, unsigned hi, bool capital = false)
    {
        const unsigned count = lo + m_rng.Below(hi - lo + 1);
        for (unsigned i = 0; i < count; ++i) {
            if (i) m_out.Raw(" ");
            const char* word = Word();
            if (capital && i == 0 && word[0] >= 'a' && word[0] <= 'z') {
                const char first[1] = {static_cast<char>(word[0] - 32)};
                m_out.Raw(std::string_view(first, 1));
                m_out.Raw(word + 1);
            } else {
                m_out.Raw(word);
            }
        }
    }

    const char* Word()
    {
        if (m_language == TopicLanguage::Japanese && m_rng.Chance(40)) return m_rng.Pick(kJapaneseWords);
        if (m_language == TopicLanguage::Chinese && m_rng.Chance(40)) return m_rng.Pick(kChineseWords);
        return m_rng.Pick(kWords);
    }

    void InlineText(unsigned sentences)
    {
        for (unsigned n = 0; n < sentences; ++n) {
            Words(3, 8, true);
            m_out.Raw(" ");
            switch (m_rng.Below(8)) {
            case 0:
                if (m_recordables) {
                    m_out.Tag("a", {Q("href", Number("topic_", m_rng.Below(999), ".htm#s") + std::to_string(m_rng.Below(9)))});
                    Words(1, 3);
                    m_out.End("a");
                    break;
                }
                [[fallthrough]];
            case 1:
                if (m_recordables) {
                    m_out.Tag("a", {Q("href", Number("t", m_rng.Below(99), ".htm?a=1&amp;b=2"), '\''),
                                    Q("target", "_top", ' ')});
                    Words(1, 2);
                    m_out.End("a");
                    break;
                }
                [[fallthrough]];
            case 2:
                m_out.Tag("font", {Q("face", "Verdana, Arial"), Q("size", "2", ' ')});
                Words(1, 4);
                m_out.End("font");
                break;
            case 3: m_out.Tag("br"); break;
            case 4:
                m_out.Tag("span", {Q("class", "kw", '\''), Q("title", "Caf&eacute;")});
                Words(1, 4);
                m_out.End("span");
                break;
            default: {
                const char* name = m_rng.Pick(kInline);
                m_out.Tag(name);
                Words(1, 3);
                m_out.End(name);
                break;
            }
            }
            m_out.Raw(" ");
            Words(2, 6);
            m_out.Raw(n % 2 ? ".\r\n" : ". ");
        }
    }

    void Paragraph(bool closed)
    {
        switch (m_rng.Below(3)) {
        case 0: m_out.Tag("p"); break;
        case 1: m_out.Tag("p", {Q("class", "note", ' ')}); break;
        default: m_out.Tag("p", {Q("align", "left", ' ')}); break;
        }
        InlineText(1 + m_rng.Below(4));
        if (closed) m_out.End("p");
        m_out.Raw(kCrLf);
    }

    void Heading(unsigned n)
    {
        m_out.Tag("h2");
        if (m_recordables) m_out.Element("a", "", {Q("name", Number("s", n), ' ')});
        Words(2, 5, true);
        m_out.End("h2");
        m_out.Raw(kCrLf);
    }

    void Listing()
    {
        const char* name = m_rng.Chance(50) ? "ul" : "ol";
        switch (m_rng.Below(3)) {
        case 0: m_out.Tag(name); break;
        case 1: m_out.Tag(name, {Bare("compact")}); break;
        default: m_out.Tag(name, {Q("type", "1", ' ')}); break;
        }
        m_out.Raw(kCrLf);
        for (unsigned i = 2 + m_rng.Below(4); i > 0; --i) {
            m_out.Tag("li");
            InlineText(1);
            if (m_rng.Chance(50)) m_out.End("li");
            m_out.Raw(kCrLf);
        }
        m_out.End(name);
        m_out.Raw(kCrLf);
    }

    void Table()
    {
        m_out.Tag("table", {Q("border", "0", ' '), Q("cellpadding", "2", '\''), Q("cellspacing", "0"), Q("width", "100%")});
        m_out.Raw(kCrLf);
        for (unsigned i = 1 + m_rng.Below(3); i > 0; --i) {
            m_out.Tag("tr", {Q("valign", "top", ' ')});
            m_out.Tag("td", {Bare("nowrap"), Q("width", "30%", ' ')});
            Words(1, 3);
            m_out.End("td");
            m_out.Tag("td");
            InlineText(1);
            m_out.End("td");
            m_out.End("tr");
            m_out.Raw(kCrLf);
        }
        m_out.End("table");
        m_out.Raw(kCrLf);
    }

    void ImageMap()
    {
        const std::string map = m_rng.Chance(50) ? "m" : Number("m", m_rng.Below(9));
        m_out.Tag("img", {Q("src", Number("img/shot", m_rng.Below(20), ".gif"), ' '), Q("usemap", "#" + map, ' '),
                          Q("width", "120", ' '), Q("height", "80", ' '), Q("border", "0"),
                          Q("alt", "Screen shot: caf\xC3\xA9")});
        m_out.Raw(kCrLf);
        m_out.Tag("map", {Q("name", map, ' ')});
        m_out.Raw(kCrLf);
        m_out.Tag("area", {Q("shape", "rect", ' '), Q("coords", "0,0,10,10"), Q("href", "a.htm", ' '), Q("title", "t", ' ')});
        m_out.Raw(kCrLf);
        if (m_rng.Chance(50)) {
            m_out.Tag("area", {Q("shape", "circle", ' '), Q("coords", "20,20,5", '\''), Q("href", "b.htm#x"), Bare("nohref")});
            m_out.Raw(kCrLf);
        }
        m_out.End("map");
        m_out.Raw(kCrLf);
    }

    void KeywordObject(unsigned n)
    {
        m_out.Tag("object", {Q("classid", "clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e"), Q("id", Number("o", n), ' '),
                             Q("type", "application/x-oleobject")});
        m_out.Raw(kCrLf);
        for (unsigned i = 1 + m_rng.Below(3); i > 0; --i) {
            std::string value = m_rng.Pick(kWords);
            value += ' ';
            value += m_rng.Pick(kWords);
            if (value.find('"') != std::string::npos) value = "keyword";
            m_out.Tag("param", {Q("name", m_rng.Chance(50) ? "Keyword" : "Text"), Q("value", value)});
            m_out.Raw(kCrLf);
        }
        m_out.End("object");
        m_out.Raw(kCrLf);
    }

    void Preformatted()
    {
        m_out.Tag("pre");
        m_out.Raw("if (a &lt; b) {\r\n    print(\"&lt;b&gt; caf\xC3\xA9\");\r\n}");
        m_out.End("pre");
        m_out.Raw(kCrLf);
    }

    void Script()
    {
        if (m_rng.Chance(50)) m_out.Tag("script", {Q("language", "JavaScript")});
        else m_out.Tag("script", {Q("type", "text/javascript")});
        m_out.Raw(kCrLf);
        m_out.Raw(m_rng.Pick(kScripts));
        m_out.Raw(kCrLf);
        m_out.End("script");
        m_out.Raw(kCrLf);
    }

    void Style()
    {
        m_out.Tag("style", {Q("type", "text/css")});
        m_out.Raw(kCrLf);
        m_out.Raw(m_rng.Pick(kStyles));
        m_out.Raw(kCrLf);
        m_out.End("style");
        m_out.Raw(kCrLf);
    }

    void Note()
    {
        m_out.Tag("div", {Q("class", "note"), Q("style", "margin-left:2em", '\'')});
        Paragraph(true);
        m_out.End("div");
        m_out.Raw(kCrLf);
    }

    void Comment()
    {
        m_out.Raw(m_rng.Pick(kComments));
        m_out.Raw(kCrLf);
    }

    void Rule()
    {
        m_out.Tag("hr", {Bare("noshade"), Q("size", "1", ' ')});
        m_out.Raw(kCrLf);
    }

    Writer& m_out;
    Rng& m_rng;
    const bool m_recordables;
    const TopicLanguage m_language;
};

void SetPageCase(Writer& out, Rng& rng)
{
    switch (rng.Below(4)) {
    case 0: out.SetCase(Writer::Case::Upper, &rng); break;
    case 1: out.SetCase(Writer::Case::Mixed, &rng); break;
    default: out.SetCase(Writer::Case::Lower, &rng); break;
    }
}

// Ordinary text between the elements of an adversarial file.
void Filler(Writer& out, Rng& rng, std::uint64_t bytes)
{
    std::string text;
    while (text.size() + 12 < bytes) {
        text += rng.Pick(kWords);
        text += ' ';
    }
    text.append(bytes > text.size() + 2 ? bytes - text.size() - 2 : 0, '.');
    text += "\r\n";
    out.Raw(text);
}

} // namespace

MarkupCounts WriteTopics(const std::string& path, TopicKind kind, std::uint64_t nBytes, TopicLanguage language)
{
    Writer out(path);
    if (kind == TopicKind::Pages) {
        for (unsigned index = 0; index == 0 || out.Bytes() < nBytes; ++index) {
            Rng rng(kSeed + index);
            // One page of 2.5 to 7.5 KB; a file asked to be smaller than a
            // page gets one page of about the size asked for.
            const std::uint64_t target = nBytes < 7500 ? nBytes : 2500 + rng.Below(5001);
            const std::uint64_t pageEnd = out.Bytes() + target;
            out.NewPage();
            SetPageCase(out, rng);
            PageWriter page(out, rng, true, language);
            page.Head(index);
            for (unsigned n = 1; out.Bytes() + 120 < pageEnd; ++n) page.Block(n);
            page.Foot();
        }
    } else {
        Rng rng(kSeed);
        out.NewPage();
        PageWriter page(out, rng, false, language);
        page.Head(0);
        for (unsigned n = 1; out.Bytes() + 120 < nBytes; ++n) page.Block(n);
        page.Foot();
    }
    return out.Finish();
}

const char* AdversaryName(Adversary adversary)
{
    switch (adversary) {
    case Adversary::Titles: return "titles_100k";
    case Adversary::BgSounds: return "bgsounds_100k";
    case Adversary::Maps: return "maps_100k";
    case Adversary::DiscardedObjects: return "objects_100k_discarded";
    case Adversary::HugeAttribute: return "attribute_value_huge";
    case Adversary::HugeComment: return "comment_huge";
    }
    return "?";
}

MarkupCounts WriteAdversary(const std::string& path, Adversary adversary, std::uint64_t nBytes)
{
    constexpr unsigned kElements = 100000;
    Writer out(path);
    Rng rng(kSeed ^ static_cast<std::uint64_t>(adversary));
    out.NewPage();
    out.Raw("<!DOCTYPE html>\r\n");
    out.Tag("html");
    out.Tag("head");
    out.Element("title", "Adversary");
    out.End("head");
    out.Raw(kCrLf);
    out.Tag("body", {Q("bgcolor", "white")});
    out.Raw(kCrLf);
    // Each element and the text after it take the same share of the file.
    const std::uint64_t perElement = nBytes / kElements;
    // Writes kElements elements, each followed by a line end and filler up
    // to its share.
    auto each = [&](auto writeElement) {
        for (unsigned i = 0; i < kElements; ++i) {
            const std::uint64_t start = out.Bytes();
            writeElement(i);
            out.Raw(kCrLf);
            const std::uint64_t used = out.Bytes() - start;
            if (used < perElement) Filler(out, rng, perElement - used);
        }
    };
    switch (adversary) {
    case Adversary::Titles:
        each([&](unsigned i) {
            out.Element("title", Number("Caf&eacute; title ", i, " \xE4\xB8\xAD\xE6\x96\x87"));
        });
        break;
    case Adversary::BgSounds:
        each([&](unsigned i) {
            out.Tag("bgsound", {Q("src", Number("sounds/s", i, ".wav")), Q("loop", std::to_string(i % 5), ' ')});
        });
        break;
    case Adversary::Maps:
        each([&](unsigned i) {
            out.Tag("map", {Q("name", Number("m", i), ' ')});
            out.Tag("area", {Q("coords", "0,0,9,9"), Q("href", Number("a", i, ".htm"), ' ')});
            out.Tag("area", {Q("href", Number("b", i, ".htm"), ' ')});
            out.End("map");
        });
        break;
    case Adversary::DiscardedObjects:
        // An object element holding other markup than parameters is not
        // recorded: each is built with its parameter, then dropped at the
        // paragraph.
        each([&](unsigned i) {
            out.Tag("object", {Q("id", Number("o", i), ' ')});
            out.Tag("param", {Q("name", "Keyword", ' '), Q("value", Number("k", i), ' ')});
            out.Tag("p", {Q("class", "x", ' ')});
            out.Raw("text");
            out.End("object");
        });
        break;
    case Adversary::HugeAttribute: {
        // A link whose target is the whole file: the value is gathered,
        // decoded and kept as the document's link.
        std::string value;
        while (value.size() < nBytes) {
            value += rng.Pick(kWords);
            value += '/';
        }
        out.Tag("a", {Q("href", value)});
        out.Raw("link");
        out.End("a");
        out.Raw(kCrLf);
        break;
    }
    case Adversary::HugeComment: {
        // Single dashes and markup inside keep the comment states busy.
        out.Raw("<!-- ");
        std::string text;
        while (out.Bytes() + text.size() < nBytes) {
            text += rng.Pick(kWords);
            text += rng.Chance(10) ? " - " : rng.Chance(5) ? " <p class=x>-</p> " : " ";
            if (text.size() > (1 << 16)) {
                out.Raw(text);
                text.clear();
            }
        }
        out.Raw(text);
        out.Raw(" -->\r\n");
        break;
    }
    }
    out.End("body");
    out.End("html");
    out.Raw(kCrLf);
    return out.Finish();
}

} // namespace bench
