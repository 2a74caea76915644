// The real topics of the shared corpus written in legacy 8-bit encodings
// (Shift_JIS, windows-1250, ISO-8859-2, windows-1251, ...) read with the
// title a browser shows, save unchanged as their very bytes, and take a new
// title in their own script, written in their own encoding.
//
// What each file must read as comes from tests/data/legacy_titles.tsv,
// written once by tests/support/gen_legacy_titles.py without the library:
// the encoding the file declares, the title as Python's nearest codec
// decodes it, the byte span of the title element, and a new title with the
// bytes its encoding gives it.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

struct LegacyTopic {
    std::string file; // relative to the corpus folder
    std::string encoding;
    long long first = -1, past = -1; // the title element's bytes; -1 without one
    std::wstring title;
    std::wstring newTitle;
    std::string newTitleBytes;
};

std::filesystem::path CorpusFolder()
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    return std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus";
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::runtime_error(std::string("not a hex digit: ") + c);
}

// The data's escapes undone: \\ \t \n \r, and \xHH for a byte the encoding
// rejects, which reads as the raw-byte unit U+DC80 + byte.
std::wstring Unescape(const std::string& field)
{
    std::wstring text;
    std::string run;
    auto flush = [&] {
        text += Utf8ToWide(run.data(), run.size());
        run.clear();
    };
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            run += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x' && i + 2 < field.size()) {
            flush();
            text += static_cast<wchar_t>(0xDC00 + HexDigit(field[i + 1]) * 16 + HexDigit(field[i + 2]));
            i += 2;
        } else {
            run += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        }
    }
    flush();
    return text;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    return bytes;
}

std::vector<LegacyTopic> LoadTopics()
{
    std::ifstream data(std::filesystem::path(HTMLFILE_SOURCE_DIR) / "tests" / "data" / "legacy_titles.tsv");
    if (!data) throw std::runtime_error("tests/data/legacy_titles.tsv is missing");
    std::vector<LegacyTopic> topics;
    std::string line;
    std::getline(data, line); // the column names
    while (std::getline(data, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        if (fields.size() < 5) throw std::runtime_error("short row: " + line);
        fields.resize(8);
        LegacyTopic topic;
        topic.file = fields[0];
        topic.encoding = fields[1];
        topic.first = std::stoll(fields[3]);
        topic.past = std::stoll(fields[4]);
        topic.title = Unescape(fields[5]);
        topic.newTitle = Unescape(fields[6]);
        topic.newTitleBytes = FromHex(fields[7]);
        topics.push_back(std::move(topic));
    }
    return topics;
}

std::string Shown(const std::wstring& text)
{
    return "\"" + WideToUtf8(text.c_str(), text.size()) + "\"";
}

// The bytes in hex, for a message about bytes in some legacy encoding.
std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const unsigned char c : bytes) (hex += kDigits[c >> 4]) += kDigits[c & 15];
    return hex;
}

std::wstring TitleOf(CHtmlFile& doc)
{
    const wchar_t* pszTitle = doc.GetTitle();
    return pszTitle ? pszTitle : L"";
}

class LegacyEncodingsCorpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(CorpusFolder() / "files"))
            GTEST_SKIP() << "no topic corpus at " << CorpusFolder() << " (set HTMLFILE_SHARED_DIR to the shared folder)";
        m_topics = LoadTopics();
        ASSERT_FALSE(m_topics.empty());
        htmlfile_testing::SkipFlushes(true); // hundreds of saves; the disk's speed is no part of this
    }
    void TearDown() override { htmlfile_testing::SkipFlushes(false); }

    std::string PathOf(const LegacyTopic& topic) const { return (CorpusFolder() / topic.file).string(); }

    // Counts a failure; the first 20 are reported.
    void Fail(const LegacyTopic& topic, const std::string& what)
    {
        if (++m_nFailures <= 20) ADD_FAILURE() << topic.file << " (" << topic.encoding << "): " << what;
    }

    void Summary(const char* pszWhat)
    {
        std::map<std::string, int> byEncoding;
        for (const LegacyTopic& topic : m_topics) ++byEncoding[topic.encoding];
        std::printf("legacy encodings, %s: %zu topics checked (", pszWhat, m_topics.size());
        const char* pszSeparator = "";
        for (const auto& [strEncoding, nCount] : byEncoding) {
            std::printf("%s%s %d", pszSeparator, strEncoding.c_str(), nCount);
            pszSeparator = ", ";
        }
        std::printf("), %d failed\n", m_nFailures);
        EXPECT_EQ(0, m_nFailures);
    }

    std::vector<LegacyTopic> m_topics;
    int m_nFailures = 0;
};


} // namespace

// Read in place, each topic's title is the text of its first title element
// decoded from the encoding the file declares, not windows-1252 mojibake.
TEST_F(LegacyEncodingsCorpus, TitleReadsInTheDeclaredEncoding)
{
    for (const LegacyTopic& topic : m_topics) {
        CHtmlFile doc(Utf8ToWide(PathOf(topic).c_str()).c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
        const std::wstring got = TitleOf(doc);
        if (got != topic.title) Fail(topic, "expected title " + Shown(topic.title) + ", got " + Shown(got));
    }
    Summary("titles read");
}

// Saved unchanged, a topic is its very bytes: several byte sequences of a
// multibyte encoding can read as the same character, so nothing read may be
// written back from its decoded text.
TEST_F(LegacyEncodingsCorpus, UnchangedSaveKeepsEveryByte)
{
    TempDir dir;
    for (const LegacyTopic& topic : m_topics) {
        const std::string original = ReadBytes(PathOf(topic));
        WriteBytes(dir.File("t.htm"), original);
        CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
        if (!doc.SaveFile()) Fail(topic, "SaveFile failed");
        else if (ReadBytes(dir.File("t.htm")) != original) Fail(topic, "saved unchanged, its bytes changed");
    }
    Summary("saved unchanged");
}

// A title in the file's own script is written in the file's encoding (not
// as character references), reads back as set, and every byte outside the
// old title element stays as it was.
TEST_F(LegacyEncodingsCorpus, NewTitleIsWrittenInTheFileEncoding)
{
    TempDir dir;
    for (const LegacyTopic& topic : m_topics) {
        if (topic.first < 0) continue;
        const std::string original = ReadBytes(PathOf(topic));
        ASSERT_LE(static_cast<size_t>(topic.past), original.size()) << topic.file << ": the data does not fit the file";
        const size_t nFirst = static_cast<size_t>(topic.first), nTail = original.size() - static_cast<size_t>(topic.past);
        WriteBytes(dir.File("t.htm"), original);
        {
            CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
            if (!doc.SetTitle(topic.newTitle.c_str()) || !doc.SaveFile()) {
                Fail(topic, "setting the title and saving failed");
                continue;
            }
        }
        const std::string saved = ReadBytes(dir.File("t.htm"));
        if (saved.size() < nFirst + nTail || saved.compare(0, nFirst, original, 0, nFirst) != 0 ||
            saved.compare(saved.size() - nTail, nTail, original, original.size() - nTail, nTail) != 0) {
            Fail(topic, "a title edit changed bytes outside the title element");
            continue;
        }
        const std::string element = saved.substr(nFirst, saved.size() - nTail - nFirst);
        if (element.find(topic.newTitleBytes) == std::string::npos) {
            Fail(topic, "the title element, bytes " + Hex(element) + ", does not hold " + Shown(topic.newTitle) +
                            " as " + Hex(topic.newTitleBytes));
            continue;
        }
        CHtmlFile reread(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
        const std::wstring got = TitleOf(reread);
        if (got != topic.newTitle) Fail(topic, "set " + Shown(topic.newTitle) + ", read back " + Shown(got));
    }
    Summary("titles set");
}
