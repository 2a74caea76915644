// Runs the tag scanner over the html5lib tokenizer tests (read in place from
// the shared folder) and compares the tags it reports with the StartTag and
// EndTag tokens the tests expect. Only cases that fit what the scanner
// does are run; the rest are counted as skipped:
// - cases that start in a state other than the Data state, and double-escaped ones;
// - inputs holding U+0000 (replaced in the tokenizer's output) or '&'
//   (the scanner keeps attribute values raw, the tokenizer decodes them);
// - cases that repeat an attribute name in one tag (the scanner keeps every
//   copy, the tokenizer only the first);
// - xmlViolation.test, whose expectations assume an XML coercion step.
// Names are compared ignoring ASCII case: the tokenizer lower-cases them, the
// scanner reports them as written.
#include <htmlfile/outside/Html.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Just enough JSON for the test files: strings decode to code points (a lone
// surrogate escape stays as its value), object keys keep their order,
// numbers are skipped.
struct Json {
    bool boolean = false;
    std::u32string text;
    std::vector<Json> items;          // array elements or object values
    std::vector<std::u32string> keys; // object keys, parallel to items

    const Json* Find(const std::string& key) const
    {
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == std::u32string(key.begin(), key.end())) return &items[i];
        return nullptr;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& source) : m_s(source) {}

    Json ReadValue()
    {
        Json value;
        const char ch = Peek();
        if (ch == '{' || ch == '[') {
            const char close = ch == '{' ? '}' : ']';
            ++m_at;
            if (Peek() == close) return ++m_at, value;
            do {
                if (ch == '{') {
                    Peek();
                    value.keys.push_back(ReadString());
                    if (Peek() != ':') Fail("':' expected");
                    ++m_at;
                }
                value.items.push_back(ReadValue());
            } while (Peek() == ',' && ++m_at);
            if (Peek() != close) Fail("unclosed container");
            ++m_at;
        } else if (ch == '"') {
            value.text = ReadString();
        } else {
            const size_t start = m_at; // true, false, null or a number
            while (m_at < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[m_at])) || std::strchr("+-.", m_s[m_at])))
                ++m_at;
            if (m_at == start) Fail("value expected");
            value.boolean = m_s.compare(start, m_at - start, "true") == 0;
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const char* what) const
    {
        throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(m_at));
    }
    // Skips white space; the next character, or NUL at the end.
    char Peek()
    {
        while (m_at < m_s.size() && std::strchr(" \t\r\n", m_s[m_at])) ++m_at;
        return m_at < m_s.size() ? m_s[m_at] : '\0';
    }
    unsigned char Next()
    {
        if (m_at >= m_s.size()) Fail("unexpected end");
        return static_cast<unsigned char>(m_s[m_at++]);
    }
    char32_t ReadHex4()
    {
        if (m_at + 4 > m_s.size()) Fail("short \\u escape");
        m_at += 4;
        return static_cast<char32_t>(std::stoul(m_s.substr(m_at - 4, 4), nullptr, 16));
    }

    std::u32string ReadString()
    {
        if (Next() != '"') Fail("string expected");
        std::u32string out;
        for (unsigned char ch; (ch = Next()) != '"';) {
            if (ch == '\\') {
                out.push_back(ReadEscape());
            } else if (ch < 0x80) {
                out.push_back(ch);
            } else { // the files are UTF-8
                const int extra = ch >= 0xF0 ? 3 : ch >= 0xE0 ? 2 : 1;
                char32_t value = ch & (0x3F >> extra);
                for (int i = 0; i < extra; ++i) value = (value << 6) | (Next() & 0x3F);
                out.push_back(value);
            }
        }
        return out;
    }

    char32_t ReadEscape()
    {
        const unsigned char ch = Next();
        switch (ch) {
        case 'b': return '\b';
        case 'f': return '\f';
        case 'n': return '\n';
        case 'r': return '\r';
        case 't': return '\t';
        case 'u': break;
        default: return ch; // '"', '\\' and '/'
        }
        const char32_t unit = ReadHex4();
        if (unit >= 0xD800 && unit <= 0xDBFF && m_s.compare(m_at, 2, "\\u") == 0) {
            m_at += 2;
            const char32_t low = ReadHex4();
            if (low >= 0xDC00 && low <= 0xDFFF) return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            m_at -= 6; // a lone high surrogate followed by another escape
        }
        return unit;
    }

    const std::string& m_s;
    size_t m_at = 0;
};

// UTF-8 as the document feeds it: lone surrogates in their 3-byte form.
std::string ToUtf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
        const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        out += static_cast<char>(kLead[extra] | (c >> (6 * extra)));
        for (int i = extra - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
    }
    return out;
}

// The tokenizer's input preprocessing: CR LF and lone CR become LF.
std::u32string NormaliseNewlines(const std::u32string& input)
{
    std::u32string out;
    for (size_t i = 0; i < input.size(); ++i) {
        if (input[i] != U'\r') out += input[i];
        else if (i + 1 == input.size() || input[i + 1] != U'\n') out += U'\n';
    }
    return out;
}

std::u32string Folded(std::u32string text)
{
    for (char32_t& c : text)
        if (c >= 'A' && c <= 'Z') c += 32;
    return text;
}

// A tag as "<name a=v b=w>" or "</name>", names folded to lower case, so
// that scanner and expectation print and compare alike.
std::u32string DescribeTag(bool start, const std::u32string& name, const std::vector<std::u32string>& names,
                           const std::vector<std::u32string>& values)
{
    std::u32string out = (start ? U"<" : U"</") + Folded(name);
    for (size_t i = 0; i < names.size(); ++i) out += U" " + Folded(names[i]) + U"=" + values[i];
    return out + U">";
}

class TagLog : public HTMLCallback {
public:
    unsigned int callback(HTML&, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const pAttributes) override
    {
        std::vector<std::u32string> names, values;
        for (const TagAttribute* a = pAttributes; a; a = a->m_pNext) {
            names.push_back(Wide(a->m_pszName));
            values.push_back(Wide(a->m_pszValue ? a->m_pszValue : L""));
            for (size_t i = 0; i + 1 < names.size(); ++i)
                if (Folded(names[i]) == Folded(names.back())) repeatedAttribute = true;
        }
        tags.push_back(DescribeTag(reason == HTMLCB_STARTTAG, Wide(pszTag), names, values));
        return HTMLCB_NONE;
    }

    std::vector<std::u32string> tags;
    bool repeatedAttribute = false;

private:
    static std::u32string Wide(const wchar_t* text)
    {
        std::u32string out;
        for (; *text; ++text) out += static_cast<char32_t>(*text);
        return out;
    }
};

std::vector<std::u32string> ExpectedTags(const Json& output)
{
    std::vector<std::u32string> tags;
    for (const Json& token : output.items) {
        const std::u32string& kind = token.items.at(0).text;
        if (kind != U"StartTag" && kind != U"EndTag") continue;
        std::vector<std::u32string> names, values;
        if (kind == U"StartTag") {
            const Json& attributes = token.items.at(2);
            names = attributes.keys;
            for (const Json& value : attributes.items) values.push_back(value.text);
        }
        tags.push_back(DescribeTag(kind == U"StartTag", token.items.at(1).text, names, values));
    }
    return tags;
}

// Whether a case fits the scanner (see the top of this file).
bool Fits(const Json& test)
{
    if (const Json* states = test.Find("initialStates")) {
        bool data = false;
        for (const Json& state : states->items) data = data || state.text == U"Data state";
        if (!data) return false;
    }
    if (const Json* doubleEscaped = test.Find("doubleEscaped"); doubleEscaped && doubleEscaped->boolean) return false;
    const std::u32string& input = test.Find("input")->text;
    return input.find(U'\0') == std::u32string::npos && input.find(U'&') == std::u32string::npos;
}

TagLog ScanTags(const std::string& input, bool byteByByte)
{
    TagLog log;
    HTML html;
    html.regcallback(&log);
    if (byteByByte) {
        for (char ch : input) html << ch;
    } else {
        html.Feed(input.data(), input.size());
    }
    return log;
}

TEST(Html5libTokenizer, TagsMatchTheExpectedTokens)
{
    const char* fromEnvironment = std::getenv("HTMLFILE_SHARED_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(fromEnvironment ? fromEnvironment : HTMLFILE_SHARED_DIR) / "html5lib-tests" / "tokenizer";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "html5lib tokenizer tests not found at " << folder;

    int ran = 0, skipped = 0, passed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".test") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const Json document = JsonReader(source).ReadValue();
        if (const Json* xml = document.Find("xmlViolationTests")) skipped += static_cast<int>(xml->items.size());
        const Json* tests = document.Find("tests");
        if (!tests) continue;
        for (const Json& test : tests->items) {
            if (!Fits(test)) {
                ++skipped;
                continue;
            }
            const std::string input = ToUtf8(NormaliseNewlines(test.Find("input")->text));
            const TagLog whole = ScanTags(input, false);
            if (whole.repeatedAttribute) {
                ++skipped;
                continue;
            }
            ++ran;
            const std::vector<std::u32string> expected = ExpectedTags(*test.Find("output"));
            const TagLog bytewise = ScanTags(input, true);
            const bool ok = whole.tags == expected && bytewise.tags == expected;
            passed += ok;
            std::string got, want;
            for (const auto& tag : whole.tags) got += ToUtf8(tag);
            for (const auto& tag : expected) want += ToUtf8(tag);
            EXPECT_TRUE(ok) << entry.path().filename() << ": " << ToUtf8(test.Find("description")->text)
                            << "\n  input: " << input << "\n  got:   " << got << "\n  want:  " << want
                            << (whole.tags == bytewise.tags ? "" : "\n  (byte by byte differs)");
        }
    }
    std::printf("html5lib tokenizer cases: %d run, %d passed, %d skipped\n", ran, passed, skipped);
    EXPECT_GT(ran, 0);
}

} // namespace
