// Several threads parse, edit and save different documents at once: each save
// is exact, and alike on every thread. Under ThreadSanitizer: ctest --preset tsan -R Concurrency
#include <support/Helpers.h>
#include <support/TopicGenerator.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(Concurrency, DocumentsOnSeveralThreadsSaveExactlyAndAlike)
{
    constexpr int kThreads = 4;
    std::vector<std::string> saved[kThreads]; // per topic, the bytes saved or what the checker found
    std::atomic<int> ready{0};
    auto saveTopics = [&ready](std::vector<std::string>& result) {
        TempDir dir;
        const std::wstring strTopic = dir.WideFile("topic.htm");
        // Start together, so that the parses and saves really overlap.
        ready.fetch_add(1);
        while (ready.load() < kThreads) std::this_thread::yield();
        for (int nSeed = 1; nSeed <= 30; ++nSeed) {
            TopicGenerator generator(static_cast<std::uint64_t>(nSeed) * 7919);
            WriteBytes(dir.File("topic.htm"), generator.Topic().strBytes);
            RoundTripDocument doc(strTopic.c_str(), PARSE_ALL);
            generator.RandomEdits(doc);
            const std::wstring strTarget = nSeed % 2 ? strTopic : dir.WideFile("saved.htm");
            const std::string strError = SaveAndCheck(doc, strTarget);
            result.push_back(strError.empty() ? ReadBytes(WideToUtf8(strTarget.c_str()))
                                              : "checker, seed " + std::to_string(nSeed) + ": " + strError);
        }
    };
    std::vector<std::thread> threads;
    for (auto& result : saved) threads.emplace_back(saveTopics, std::ref(result));
    for (std::thread& thread : threads) thread.join();
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(saved[0], saved[t]) << "thread " << t << " saved other bytes";
    for (const std::string& strSaved : saved[0]) EXPECT_NE(0u, strSaved.rfind("checker, ", 0)) << strSaved;
}
