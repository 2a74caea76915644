// Runs the tag scanner over the html5lib tokenizer tests (read in place from
// the shared folder) and compares the tags it reports, fed whole and one
// byte at a time, with the StartTag and EndTag tokens the tests expect,
// names compared ignoring ASCII case (the tokenizer lower-cases them).
// Skipped, as not what the scanner does: cases starting outside the Data
// state, double-escaped ones, inputs holding U+0000 (replaced by the
// tokenizer) or '&' (attribute values stay raw here), tags repeating an
// attribute (the scanner keeps every copy), and xmlViolation.test's cases.
#include <htmlfile/scan/Html.h>
#include <htmlfile/platform/String.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using Json = nlohmann::ordered_json; // attributes in the order written

std::string Folded(std::string text)
{
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? c + 32 : c;
    return text;
}

// The tags as "<name a=v b=w>" or "</name>", names folded; repeatedAttribute
// is set when a tag has the same attribute twice.
struct TagLog : HTMLCallback {
    unsigned int callback(HTML&, _HTML_cbreason reason, const wchar_t* pszTag, TagAttribute* const pAttributes) override
    {
        std::string names = " ";
        tags += (reason == HTMLCB_STARTTAG ? "<" : "</") + Folded(WideToUtf8(pszTag));
        for (const TagAttribute* a = pAttributes; a; a = a->m_pNext) {
            const std::string name = Folded(WideToUtf8(a->m_pszName));
            repeatedAttribute = repeatedAttribute || names.find(" " + name + " ") != std::string::npos;
            names += name + " ";
            tags += " " + name + "=" + WideToUtf8(a->m_pszValue ? a->m_pszValue : L"");
        }
        tags += ">";
        return HTMLCB_NONE;
    }
    std::string tags;
    bool repeatedAttribute = false;
};

TagLog ScanTags(const std::string& input, bool bByteByByte)
{
    TagLog log;
    HTML html;
    html.regcallback(&log);
    if (!bByteByByte) html.Feed(input.data(), input.size());
    for (size_t i = 0; bByteByByte && i < input.size(); ++i) html << input[i];
    return log;
}

} // namespace

TEST(Html5libTokenizer, TagsMatchTheExpectedTokens)
{
    const char* fromEnvironment = std::getenv("HTMLFILE_SHARED_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(fromEnvironment ? fromEnvironment : HTMLFILE_SHARED_DIR) / "html5lib-tests" / "tokenizer";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "html5lib tokenizer tests not found at " << folder;
    int ran = 0, skipped = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".test") continue;
        const Json document = Json::parse(std::ifstream(entry.path()));
        skipped += static_cast<int>(document.value("xmlViolationTests", Json::array()).size());
        for (const Json& test : document.value("tests", Json::array())) {
            std::string input; // the tokenizer's preprocessing: CR LF and lone CR become LF
            const std::string raw = test["input"];
            for (size_t i = 0; i < raw.size(); ++i)
                if (raw[i] != '\r') input += raw[i];
                else if (i + 1 == raw.size() || raw[i + 1] != '\n') input += '\n';
            const Json states = test.value("initialStates", Json::array({"Data state"}));
            const TagLog whole = ScanTags(input, false);
            if (std::find(states.begin(), states.end(), "Data state") == states.end() || test.value("doubleEscaped", false) ||
                input.find_first_of(std::string("&\0", 2)) != std::string::npos || whole.repeatedAttribute) {
                ++skipped;
                continue;
            }
            ++ran;
            std::string expected;
            for (const Json& token : test["output"]) {
                if (token[0] == "EndTag") expected += "</" + Folded(token[1].get<std::string>()) + ">";
                if (token[0] != "StartTag") continue;
                expected += "<" + Folded(token[1].get<std::string>());
                for (const auto& [name, value] : token[2].items()) expected += " " + Folded(name) + "=" + value.get<std::string>();
                expected += ">";
            }
            EXPECT_EQ(whole.tags, expected) << entry.path().filename() << ": " << test["description"] << "\n  input: " << input;
            EXPECT_EQ(ScanTags(input, true).tags, expected) << "byte by byte: " << test["description"];
        }
    }
    std::printf("html5lib tokenizer cases: %d run, %d skipped\n", ran, skipped);
    EXPECT_GT(ran, 0);
}
