// Every real topic of the shared corpus, read in place with PARSE_ALL and
// saved unchanged elsewhere, comes out exactly as the round-trip checker
// says; saved once more, it stays the same unless a writer's fixed format
// is known to move on.
#include <support/GenerateText.h>
#include <support/RoundTrip.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

std::filesystem::path CorpusFolder()
{
    const char* pszShared = std::getenv("HTMLFILE_SHARED_DIR");
    return std::filesystem::path(pszShared && *pszShared ? pszShared : HTMLFILE_SHARED_DIR) / "corpus" / "files";
}

} // namespace

TEST(CorpusRoundTrip, EveryTopicSavesExactly)
{
    const std::filesystem::path corpus = CorpusFolder();
    if (!std::filesystem::is_directory(corpus))
        GTEST_SKIP() << "no topic corpus at " << corpus << " (set HTMLFILE_SHARED_DIR to the shared folder)";

    TempDir dir;
    const std::wstring strSaved = dir.WideFile("saved.htm");
    const std::wstring strAgain = dir.WideFile("again.htm");
    int nFiles = 0;
    int nFailures = 0;
    std::map<std::string, int> unstable;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        ++nFiles;
        const std::string strPath = entry.path().string();
        RoundTripDocument doc(Utf8ToWide(strPath.c_str()).c_str(), PARSE_ALL);
        std::string strSkipped;
        const std::string strError = SaveTwiceAndCheck(doc, strSaved, strAgain, strSkipped);
        if (!strSkipped.empty()) ++unstable[strSkipped];
        if (!strError.empty() && ++nFailures <= 20) ADD_FAILURE() << strPath << ": " << strError;
    }
    std::printf("corpus: %d topics checked, %d failed\n", nFiles, nFailures);
    for (const auto& [strReason, nCount] : unstable)
        std::printf("  not saved twice (%s): %d\n", strReason.c_str(), nCount);
    EXPECT_EQ(0, nFailures);
    EXPECT_GT(nFiles, 0);
}
