// Every real topic of the shared corpus, read in place with PARSE_ALL and
// saved unchanged elsewhere, comes out exactly as the round-trip checker
// says; saved once more, it stays the same unless a writer's fixed format
// is known to move on. Each is read in the encoding the corpus lists for it.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

TEST(CorpusRoundTrip, EveryTopicSavesExactly)
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    const auto corpus = std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus" / "files";
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no topic corpus at " << corpus << " (set HTMLFILE_SHARED_DIR to the shared folder)";
    using F = CkvuuStdioFile;
    const std::map<std::string, std::pair<F::Encoding, BOOL>> kByClass = {
        {"ascii", {F::encodingUtf8, FALSE}}, {"utf-8", {F::encodingUtf8, FALSE}}, {"utf-8-bom", {F::encodingUtf8, TRUE}},
        {"utf-16le-bom", {F::encodingUtf16LE, TRUE}}, {"utf-16be-bom", {F::encodingUtf16BE, TRUE}},
        {"windows-1252", {F::encodingWindows1252, FALSE}}, {"other-8bit", {F::encodingWindows1252, FALSE}}};
    std::map<std::string, std::string> classes; // by file: its name is the first field, its encoding the sixth
    std::ifstream manifest(corpus.parent_path() / "MANIFEST.tsv");
    for (std::string fields[6]; std::getline(manifest, fields[0], '\t'); manifest.ignore(1 << 20, '\n')) {
        for (int i = 1; i < 6; ++i) std::getline(manifest, fields[i], '\t');
        classes[fields[0]] = fields[5];
    }
    TempDir dir;
    int nFiles = 0, nFailures = 0;
    std::map<std::string, int> unstable;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        ++nFiles;
        const std::string strClass = classes["files/" + entry.path().lexically_relative(corpus).generic_u8string()];
        const F file(Utf8ToWide(entry.path().u8string().c_str()).c_str(), CFile::modeRead | CFile::shareDenyNone);
        // A mark decides; otherwise what the file declares, which may differ
        // from the class of its bytes (ASCII reads alike in all of them).
        const auto expected = kByClass.at(strClass);
        const bool bDeclared = file.GetEncodingSource() == F::Source::declared;
        const bool bAsClassed = file.GetEncoding() == expected.first && file.HasByteOrderMark() == expected.second;
        if (expected.second || strClass == "utf-8") {
            EXPECT_TRUE(bAsClassed || (!expected.second && bDeclared)) << entry.path();
        } else if (strClass == "windows-1252" || strClass == "other-8bit") {
            EXPECT_TRUE(file.GetEncoding() == F::encodingWindows1252 || bDeclared) << entry.path();
        }
        RoundTripDocument doc(Utf8ToWide(entry.path().u8string().c_str()).c_str(), PARSE_ALL);
        std::string strSkipped;
        const std::string strError = SaveTwiceAndCheck(doc, dir.WideFile("saved.htm"), dir.WideFile("again.htm"), strSkipped);
        if (!strSkipped.empty()) ++unstable[strSkipped];
        if (!strError.empty() && ++nFailures <= 20) ADD_FAILURE() << entry.path() << ": " << strError;
    }
    std::printf("corpus: %d topics checked, %d failed\n", nFiles, nFailures);
    for (const auto& [strReason, nCount] : unstable) std::printf("  not saved twice (%s): %d\n", strReason.c_str(), nCount);
    EXPECT_EQ(0, nFailures);
    EXPECT_GT(nFiles, 0);
}

// A document that saves only what changed leaves every real topic exactly
// as it was: saved unchanged in place and beside itself it is its own
// bytes, and a new title changes the bytes of the title element and
// nothing else.
TEST(CorpusRoundTrip, SavingOnlyWhatChangedTouchesNothingElse)
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    const auto corpus = std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus" / "files";
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no topic corpus at " << corpus << " (set HTMLFILE_SHARED_DIR to the shared folder)";
    htmlfile_testing::SkipFlushes(true); // 7,000 saves; the disk's speed is no part of this
    TempDir dir;
    const std::wstring strTopic = dir.WideFile("t.htm");
    int nFiles = 0, nTitled = 0, nFailures = 0;
    auto fail = [&](const std::filesystem::path& path, const std::string& what) {
        if (++nFailures <= 20) ADD_FAILURE() << path << ": " << what;
    };
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        ++nFiles;
        const std::string original = ReadBytes(entry.path().string());
        WriteBytes(dir.File("t.htm"), original);
        {
            CHtmlFile doc(strTopic.c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
            if (!doc.SaveFile() || ReadBytes(dir.File("t.htm")) != original) fail(entry.path(), "SaveFile changed it");
            if (!doc.SaveFileAs(dir.WideFile("copy.htm").c_str()) || ReadBytes(dir.File("copy.htm")) != original)
                fail(entry.path(), "SaveFileAs changed it");
        }
        RoundTripDocument doc(strTopic.c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
        const CHTMLObject* pTitle = doc.TitleElement();
        if (!pTitle) continue;
        ++nTitled;
        const auto [nFirst, nPast] = ByteSpan(strTopic, pTitle->m_nBegin, pTitle->m_nEnd);
        doc.SetTitle(L"Edited: 1 < 2 & \u00e9t\u00e9");
        const std::string strError = SaveAndCheck(doc, strTopic);
        const std::string saved = ReadBytes(dir.File("t.htm"));
        const size_t nTail = original.size() - nPast;
        if (!strError.empty()) fail(entry.path(), strError);
        else if (saved.compare(0, nFirst, original, 0, nFirst) != 0 || saved.size() < nFirst + nTail ||
                 saved.compare(saved.size() - nTail, nTail, original, nPast, nTail) != 0)
            fail(entry.path(), "a title edit changed bytes outside the title element");
    }
    htmlfile_testing::SkipFlushes(false);
    std::printf("corpus, saving only what changed: %d topics, %d with a title edited, %d failed\n", nFiles, nTitled,
                nFailures);
    EXPECT_EQ(0, nFailures);
    EXPECT_GT(nTitled, 1000);
}
