// Generated topics in every encoding, edited at random through the API,
// always save exactly: the round-trip checker accepts every save, and a
// second save of the saved file changes nothing (unless a writer's fixed
// format is known to move on, see SaveTwiceAndCheck).
#include <support/Helpers.h>
#include <support/TopicGenerator.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

TEST(RoundTripProperty, GeneratedTopicsSaveExactlyAndStably)
{
    TempDir dir;
    const std::wstring strTopic = dir.WideFile("topic.htm"), strSaved = dir.WideFile("saved.htm");
    // 2,500 cases meet every generator branch many times; HTMLFILE_PROPERTY_CASES
    // runs more, HTMLFILE_PROPERTY_SEED starts at a given one (to look at a
    // failure again).
    auto number = [](const char* pszName, int nDefault) {
        const char* psz = std::getenv(pszName);
        return psz && std::atoi(psz) > 0 ? std::atoi(psz) : nDefault;
    };
    int nSeed = number("HTMLFILE_PROPERTY_SEED", 1);
    const int nCases = nSeed - 1 + number("HTMLFILE_PROPERTY_CASES", 2500);
    int nFailures = 0, nStable = 0;
    std::map<std::string, int> unstable;
    for (; nSeed <= nCases && nFailures < 5; ++nSeed) {
        TopicGenerator generator(static_cast<std::uint64_t>(nSeed));
        const GeneratedTopic topic = generator.Topic();
        WriteBytes(dir.File("topic.htm"), topic.strBytes);
        // Mostly PARSE_ALL, sometimes no flags or any mix.
        const int nFlags = generator.Random().Below(10);
        // Every other topic saves only what changed.
        const auto dwFlags = (nFlags < 7 ? PARSE_ALL : nFlags == 7 ? 0 : static_cast<DWORD>(generator.Random().Next() & 0x7FF)) |
                             (nSeed % 2 == 0 ? static_cast<DWORD>(SAVE_CHANGED_ONLY) : 0);
        RoundTripDocument doc(strTopic.c_str(), dwFlags);
        const std::string strEdits = generator.RandomEdits(doc);
        std::string strSkipped;
        const std::string strError = SaveTwiceAndCheck(doc, generator.Random().Percent(30) ? strTopic : strSaved,
                                                       dir.WideFile("again.htm"), strSkipped);
        if (!strError.empty()) {
            ADD_FAILURE() << "seed " << nSeed << " (" << topic.strSummary << ", flags " << dwFlags << ", " << strEdits
                          << "): " << strError;
            ++nFailures;
        } else if (!strSkipped.empty()) ++unstable[strSkipped];
        else ++nStable;
    }
    std::printf("generated topics up to seed %d checked, %d of them saved twice\n", nSeed - 1, nStable);
    for (const auto& [strReason, nCount] : unstable) std::printf("  not saved twice (%s): %d\n", strReason.c_str(), nCount);
}
