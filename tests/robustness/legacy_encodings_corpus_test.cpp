// The real topics of the shared corpus written in legacy encodings
// (Shift_JIS, windows-1250, ISO-8859-2, windows-1251, ...). What each file must read as comes from tests/data/legacy_titles.tsv,
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
#include <sstream>
#include <vector>

namespace {

struct LegacyTopic {
    std::string file, encoding; // the file relative to the corpus folder
    long long first, past;      // the title element's bytes; -1 without one
    std::wstring title, newTitle;
    std::string newTitleBytes;
};

std::filesystem::path CorpusFolder()
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    return std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus";
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
        // The generator escapes '\\', control characters and rejected bytes
        // with '\\'; the data holds none, so titles are plain UTF-8 here.
        if (fields.size() < 5 || line.find('\\') != std::string::npos) throw std::runtime_error("unexpected row: " + line);
        fields.resize(8);
        std::string newTitleBytes;
        for (size_t i = 0; i + 1 < fields[7].size(); i += 2) newTitleBytes += static_cast<char>(std::stoi(fields[7].substr(i, 2), nullptr, 16));
        topics.push_back({fields[0], fields[1], std::stoll(fields[3]), std::stoll(fields[4]), Utf8ToWide(fields[5].c_str()),
                          Utf8ToWide(fields[6].c_str()), newTitleBytes});
    }
    return topics;
}

std::string Shown(const wchar_t* pszText) // no title reads as an empty one
{
    return "\"" + WideToUtf8(pszText ? pszText : L"") + "\"";
}

} // namespace

// Per topic: the title reads as the first title element decoded from the
// declared encoding, not windows-1252 mojibake. Saved unchanged, the topic
// is its very bytes (several byte sequences of a multibyte encoding can read
// as one character, so nothing read may be written back from its decoded
// text). A title in the file's script is written in its encoding (not as
// references), reads back as set, and no byte outside the element changes.
TEST(LegacyEncodingsCorpus, TitlesReadSaveAndChangeInTheDeclaredEncoding)
{
    if (!std::filesystem::is_directory(CorpusFolder() / "files"))
        GTEST_SKIP() << "no topic corpus at " << CorpusFolder() << " (set HTMLFILE_SHARED_DIR to the shared folder)";
    const std::vector<LegacyTopic> topics = LoadTopics();
    ASSERT_FALSE(topics.empty());
    htmlfile_testing::SkipFlushes(true); // hundreds of saves; the disk's speed is no part of this
    TempDir dir;
    const std::string path = dir.File("t.htm");
    int nFailures = 0;
    for (const LegacyTopic& topic : topics) {
        auto fail = [&](const std::string& what) {
            if (++nFailures <= 20) ADD_FAILURE() << topic.file << " (" << topic.encoding << "): " << what;
        };
        const std::string original = ReadBytes((CorpusFolder() / topic.file).string());
        WriteBytes(path, original);
        {
            CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
            if (Shown(doc.GetTitle()) != Shown(topic.title.c_str()))
                fail("expected title " + Shown(topic.title.c_str()) + ", got " + Shown(doc.GetTitle()));
            if (!doc.SaveFile()) fail("SaveFile failed");
            else if (ReadBytes(path) != original) fail("saved unchanged, its bytes changed");
        }
        if (topic.first < 0) continue;
        if (static_cast<size_t>(topic.past) > original.size()) {
            fail("the data does not fit the file");
            continue;
        }
        const size_t nFirst = static_cast<size_t>(topic.first), nTail = original.size() - static_cast<size_t>(topic.past);
        {
            CHtmlFile doc(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
            if (!doc.SetTitle(topic.newTitle.c_str()) || !doc.SaveFile()) {
                fail("setting the title and saving failed");
                continue;
            }
        }
        const std::string saved = ReadBytes(path);
        if (saved.size() < nFirst + nTail || saved.compare(0, nFirst, original, 0, nFirst) != 0 ||
            saved.compare(saved.size() - nTail, nTail, original, original.size() - nTail, nTail) != 0)
            fail("a title edit changed bytes outside the title element");
        else if (saved.substr(nFirst, saved.size() - nTail - nFirst).find(topic.newTitleBytes) == std::string::npos)
            fail("the title element does not hold " + Shown(topic.newTitle.c_str()) + " in the file's encoding");
        else if (CHtmlFile reread(dir.WideFile("t.htm").c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
                 Shown(reread.GetTitle()) != Shown(topic.newTitle.c_str()))
            fail("set " + Shown(topic.newTitle.c_str()) + ", read back " + Shown(reread.GetTitle()));
    }
    htmlfile_testing::SkipFlushes(false);
    std::printf("legacy encodings: %zu topics checked, %d failed\n", topics.size(), nFailures);
    EXPECT_EQ(0, nFailures);
}
