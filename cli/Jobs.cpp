#include "Jobs.h"

#include "Interrupt.h"
#include "Terminal.h"

#include <htmlfile/platform/File.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace htmltopic {
namespace {

// Fewer files than this finish too soon for a progress line to help.
constexpr size_t kProgressThreshold = 4;
// From this many files on, a run lasts long enough that its rate tells how
// long the rest will take.
constexpr size_t kRateThreshold = 300;

std::string ProgressLine(size_t finished, size_t count, double seconds, const std::string& current)
{
    std::string line = "[" + std::to_string(finished) + "/" + std::to_string(count) + "] ";
    if (count >= kRateThreshold && seconds > 0)
        line += std::to_string(static_cast<long long>(finished / seconds)) + " files/s ";
    return line + current;
}

class OrderedResults {
public:
    explicit OrderedResults(size_t count) : m_results(count) {}

    void Put(size_t index, FileOutcome outcome)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_results[index] = std::move(outcome);
        ++m_finished;
        m_ready.notify_one();
    }

    // Waits until something finished since the last call or the next result
    // in order is there; returns the number finished so far.
    size_t WaitForProgress(size_t next, size_t seen)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [&] { return m_finished > seen || m_results[next].has_value(); });
        return m_finished;
    }

    std::optional<FileOutcome> Take(size_t index)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::optional<FileOutcome> result = std::move(m_results[index]);
        m_results[index].reset();
        return result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::optional<FileOutcome>> m_results;
    size_t m_finished = 0;
};

} // namespace

unsigned DefaultJobCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

bool RunInOrder(size_t count, unsigned jobs, const std::function<FileOutcome(size_t)>& task,
                const std::function<std::string(size_t)>& describe)
{
    if (count == 0) return false;
    OrderedResults results(count);
    std::atomic<size_t> nextTask{0};
    auto worker = [&] {
        // After an interruption the files not yet begun are left alone.
        for (size_t i = nextTask++; i < count; i = nextTask++)
            results.Put(i, Interruption() ? FileOutcome{} : task(i));
    };
    size_t threadCount = std::min<size_t>(std::max(1u, jobs), count);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < threadCount; ++i) threads.emplace_back(worker);

    Terminal& terminal = Terminal::Instance();
    const auto start = std::chrono::steady_clock::now();
    bool showProgress = count > kProgressThreshold;
    bool anyFailed = false;
    size_t finished = 0;
    for (size_t next = 0; next < count;) {
        finished = results.WaitForProgress(next, finished);
        while (next < count) {
            std::optional<FileOutcome> outcome = results.Take(next);
            if (!outcome) break;
            terminal.Write(outcome->out, outcome->err);
            anyFailed = anyFailed || outcome->failed;
            ++next;
        }
        if (showProgress && next < count) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            terminal.ShowProgress(ProgressLine(finished, count, elapsed.count(), describe(next)));
        }
    }
    for (std::thread& thread : threads) thread.join();
    terminal.ClearProgress();
    return anyFailed;
}

FileOutcome RunFileTask(const std::string& path, const std::function<void(FileOutcome&)>& body)
{
    FileOutcome outcome;
    try {
        body(outcome);
    }
    catch (const CFileException& e) {
        outcome.Fail(path, std::string("file error: ") + e.what());
    }
    catch (const std::bad_alloc&) {
        outcome.Fail(path, "out of memory");
    }
    catch (const std::exception& e) {
        outcome.Fail(path, std::string("error: ") + e.what());
    }
    catch (...) {
        outcome.Fail(path, "unexpected error");
    }
    return outcome;
}

} // namespace htmltopic
