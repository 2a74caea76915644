// Documents are independent of each other: several threads parse, edit and
// save different documents at the same time, each save is exact, and every
// thread gets the same bytes from the same topic. Quick enough to run under
// ThreadSanitizer: ctest --preset tsan -R Concurrency
#include <support/GenerateText.h>
#include <support/RoundTrip.h>
#include <support/TopicGenerator.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 4;
constexpr int kTopicsPerThread = 30;

struct ThreadResult {
    std::vector<std::string> saved; // one file per topic, in seed order
    std::string strError;           // the first failure
};

void SaveTopics(ThreadResult& result, std::atomic<int>& ready)
{
    TempDir dir;
    const std::wstring strTopic = dir.WideFile("topic.htm");
    const std::wstring strSaved = dir.WideFile("saved.htm");
    // Start together, so that the parses and saves really overlap.
    ready.fetch_add(1);
    while (ready.load() < kThreads) std::this_thread::yield();

    for (int nSeed = 1; nSeed <= kTopicsPerThread; ++nSeed) {
        TopicGenerator generator(static_cast<std::uint64_t>(nSeed) * 7919);
        WriteFileBytes(dir.File("topic.htm"), generator.Topic().strBytes);
        RoundTripDocument doc(strTopic.c_str(), PARSE_ALL);
        generator.RandomEdits(doc);
        const std::wstring& strTarget = nSeed % 2 ? strTopic : strSaved;
        std::string strError = SaveAndCheck(doc, strTarget);
        if (!strError.empty() && result.strError.empty())
            result.strError = "seed " + std::to_string(nSeed) + ": " + strError;
        result.saved.push_back(ReadFileBytes(WideToUtf8(strTarget.c_str())));
    }
}

} // namespace

TEST(Concurrency, DocumentsOnSeveralThreadsSaveExactlyAndAlike)
{
    std::vector<ThreadResult> results(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (ThreadResult& result : results) threads.emplace_back(SaveTopics, std::ref(result), std::ref(ready));
    for (std::thread& thread : threads) thread.join();

    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ("", results[t].strError) << "thread " << t;
        EXPECT_EQ(results[0].saved, results[t].saved) << "thread " << t << " saved other bytes";
    }
}
