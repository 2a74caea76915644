// Throughput, scaling and memory of opening and saving topics, against
// floors measured in the same run on the same files (reading the file;
// reading it through the text file class, decoding it to wide characters
// and encoding it back to UTF-8; reading it as the parse now does, UTF-8 in
// place) and against libxml2's HTML push parser when it is available.
//
// A parse is the document's constructor, CHtmlFile(path, PARSE_ALL);
// destroying the document, which frees what it recorded, is timed apart
// (close_ms) and shown as Parse+close in the summary. A save is SaveFileAs
// to a new path, the re-read of the new file included.
//
// Every benchmark's result is also given as a ratio (counters): throughput
// as a fraction of each floor, the parse as a multiple of the peer, a save
// as a multiple of one parse. At the end a summary lists the medians, the
// targets and whether each was met.
#include "BenchSupport.h"
#ifdef HTMLFILE_BENCH_LIBXML2
#include "LibXml2Peer.h"
#endif

#include <htmlfile/htmlfile.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include <unistd.h>

using namespace bench;

namespace {

constexpr std::uint64_t kKB = 1000;
constexpr std::uint64_t kMB = 1000 * kKB;

// Sizes of the main comparison and of the scaling series.
constexpr std::uint64_t kMainSizes[] = {5 * kKB, 1 * kMB, 50 * kMB};
constexpr std::uint64_t kScalingSizes[] = {1 * kMB, 10 * kMB, 100 * kMB};
constexpr std::uint64_t kAdversarySize = 10 * kMB;
// The legacy multibyte encodings whose decoders a parse is timed through,
// on pages of this size, against UTF-8 pages of the same size.
constexpr std::uint64_t kEncodedSize = 10 * kMB;
constexpr htmlfile_text::EncodingId kLegacyEncodings[] = {htmlfile_text::EncodingId::kShiftJis,
                                                         htmlfile_text::EncodingId::kGbk};
constexpr Adversary kAdversaries[] = {Adversary::Titles,          Adversary::BgSounds,      Adversary::Maps,
                                      Adversary::DiscardedObjects, Adversary::HugeAttribute, Adversary::HugeComment};

// Runs the benchmark loop and keeps its time per iteration for the ratio
// counters of the benchmarks that follow.
template <typename Body>
double TimedLoop(benchmark::State& state, const std::string& name, Body&& body)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) body();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double seconds = elapsed.count() / static_cast<double>(state.iterations());
    Timings::Add(name, seconds);
    return seconds;
}

// "a / b" as a counter, left out while b has not been measured yet.
void Ratio(benchmark::State& state, const char* counter, double numerator, double denominator)
{
    if (numerator > 0 && denominator > 0) state.counters[counter] = numerator / denominator;
}

void SetBytes(benchmark::State& state, const Input& input)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.counts.bytes));
}

std::string FloorName(const char* floor, const Input& input)
{
    return std::string("Floor/") + floor + "/" + input.name;
}

// Our scanner must report exactly the markup the generator wrote; checked
// once per input before its first parse is timed.
bool ScannerAgrees(benchmark::State& state, const Input& input)
{
    static std::set<std::string> checked;
    if (checked.count(input.name)) return true;
    const MarkupCounts seen = ScanCounts(input.path);
    if (seen.startTags != input.counts.startTags || seen.endTags != input.counts.endTags ||
        seen.attributes != input.counts.attributes) {
        std::ostringstream text;
        text << "scanner counts differ from the generator's: start " << seen.startTags << "/" << input.counts.startTags
             << " end " << seen.endTags << "/" << input.counts.endTags << " attributes " << seen.attributes << "/"
             << input.counts.attributes;
        state.SkipWithError(text.str().c_str());
        return false;
    }
    checked.insert(input.name);
    return true;
}

// Inputs are generated when the first benchmark that needs one runs, so a
// filtered run makes only what it uses.
using InputMaker = std::function<const Input&()>;

struct InputSpec {
    std::string name;
    InputMaker make;
};

InputSpec TopicsOf(TopicKind kind, std::uint64_t nBytes)
{
    return {Inputs::TopicsName(kind, nBytes), [=]() -> const Input& { return Inputs::Get().Topics(kind, nBytes); }};
}

InputSpec EncodedTopicsOf(htmlfile_text::EncodingId encoding, std::uint64_t nBytes)
{
    return {Inputs::EncodedTopicsName(encoding, nBytes),
            [=]() -> const Input& { return Inputs::Get().EncodedTopics(encoding, nBytes); }};
}

InputSpec AdversaryOf(Adversary adversary, std::uint64_t nBytes)
{
    return {Inputs::AdversarialName(adversary, nBytes),
            [=]() -> const Input& { return Inputs::Get().Adversarial(adversary, nBytes); }};
}

void ReadFloorBenchmark(benchmark::State& state, std::string name, InputMaker make)
{
    const Input& input = make();
    TimedLoop(state, name, [&] { benchmark::DoNotOptimize(ReadFloor(input.path)); });
    SetBytes(state, input);
}

void DecodeFloorBenchmark(benchmark::State& state, std::string name, InputMaker make)
{
    const Input& input = make();
    const double seconds = TimedLoop(state, name, [&] { benchmark::DoNotOptimize(DecodeFloor(input.path)); });
    SetBytes(state, input);
    Ratio(state, "vs_read", Timings::Median(FloorName("read", input)), seconds);
}

void InPlaceFloorBenchmark(benchmark::State& state, std::string name, InputMaker make)
{
    const Input& input = make();
    const double seconds = TimedLoop(state, name, [&] { benchmark::DoNotOptimize(InPlaceFloor(input.path)); });
    SetBytes(state, input);
    Ratio(state, "vs_read", Timings::Median(FloorName("read", input)), seconds);
}

// dwExtra: SAVE_CHANGED_ONLY to time the fingerprints such a document takes.
void ParseBenchmark(benchmark::State& state, std::string name, InputMaker make, DWORD dwExtra)
{
    const Input& input = make();
    if (!ScannerAgrees(state, input)) return;
    const std::wstring path = Widen(input.path);
    bool valid = true;
    // The parse is the constructor; destroying the document (freeing what
    // it recorded) is timed apart and reported as close_ms.
    double parsing = 0;
    double closing = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto doc = std::make_unique<CHtmlFile>(path.c_str(), PARSE_ALL | dwExtra);
        const auto parsed = std::chrono::steady_clock::now();
        valid = valid && doc->IsValid();
        doc.reset();
        const auto closed = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(parsed - start).count();
        state.SetIterationTime(seconds);
        parsing += seconds;
        closing += std::chrono::duration<double>(closed - parsed).count();
    }
    if (!valid) {
        state.SkipWithError("the document did not parse as a topic");
        return;
    }
    const double seconds = parsing / static_cast<double>(state.iterations());
    Timings::Add(name, seconds);
    Timings::Add(name + "+close", seconds + closing / static_cast<double>(state.iterations()));
    state.counters["close_ms"] = closing * 1000 / static_cast<double>(state.iterations());
    SetBytes(state, input);
    Ratio(state, "vs_read", Timings::Median(FloorName("read", input)), seconds);
    Ratio(state, "vs_decode", Timings::Median(FloorName("decode", input)), seconds);
    Ratio(state, "vs_inplace", Timings::Median(FloorName("inplace", input)), seconds);
    Ratio(state, "vs_libxml2", Timings::Median("Peer/libxml2/" + input.name), seconds);
    state.counters["ms_per_MB"] = seconds * 1000 * kMB / static_cast<double>(input.counts.bytes);
}

#ifdef HTMLFILE_BENCH_LIBXML2
void PeerBenchmark(benchmark::State& state, std::string name, InputMaker make)
{
    const Input& input = make();
    PeerCounts counts;
    const double seconds = TimedLoop(state, name, [&] { counts = ParseWithLibXml2(input.path); });
    // libxml2 adds the elements it implies, so it reports at least the
    // start tags written; far fewer means it stopped reading.
    if (counts.bytes != input.counts.bytes || counts.startTags < input.counts.startTags) {
        std::ostringstream text;
        text << "libxml2 saw " << counts.startTags << " start tags of " << input.counts.startTags << " in "
             << counts.bytes << " bytes: it gave up early";
        state.SkipWithError(text.str().c_str());
        return;
    }
    SetBytes(state, input);
    state.counters["start_tags"] = static_cast<double>(counts.startTags);
    state.counters["ours_start_tags"] = static_cast<double>(input.counts.startTags);
    Ratio(state, "vs_read", Timings::Median(FloorName("read", input)), seconds);
    Ratio(state, "vs_decode", Timings::Median(FloorName("decode", input)), seconds);
}
#endif

// The document saves itself to one of two copies and then the other: each
// save reads the copy it was parsed from, writes the other and parses that,
// so every iteration is the same whole SaveFileAs. The copy written is
// removed beforehand, outside the timing: SaveFileAs to a new path, as a
// "save as" usually is (emptying an existing 50 MB file costs the kernel
// about as much as the copy itself, and is no work of the library).
// The flushes to disk (the new text, and the folder after the rename) are
// left out unless `flushed`: they cost what the disk costs, and are timed
// apart as Save/flushed.
void SaveBenchmark(benchmark::State& state, std::string name, InputMaker make, bool edited, bool flushed)
{
    htmlfile_testing::SkipFlushes(!flushed);
    const Input& input = make();
    const std::string prefix = Inputs::Get().ScratchPath(input.name + (edited ? "-edited" : "-unchanged"));
    const std::string copies[2] = {prefix + "-a.htm", prefix + "-b.htm"};
    const std::wstring wideCopies[2] = {Widen(copies[0]), Widen(copies[1])};
    std::filesystem::copy_file(input.path, copies[0], std::filesystem::copy_options::overwrite_existing);
    bool saved = true;
    double total = 0;
    {
        CHtmlFile doc(wideCopies[0].c_str(), PARSE_ALL);
        int next = 1;
        for (auto _ : state) {
            std::filesystem::remove(copies[next]);
            const auto start = std::chrono::steady_clock::now();
            if (edited) {
                doc.SetTitle(L"Printing and previewing \u00E9t\u00E9");
                doc.SetBgColor(0x00F0E0D0);
            }
            saved = doc.SaveFileAs(wideCopies[next].c_str()) && saved;
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(seconds);
            total += seconds;
            next ^= 1;
        }
    }
    htmlfile_testing::SkipFlushes(false);
    std::filesystem::remove(copies[0]);
    std::filesystem::remove(copies[1]);
    if (!saved) {
        state.SkipWithError("SaveFileAs failed");
        return;
    }
    const double seconds = total / static_cast<double>(state.iterations());
    Timings::Add(name, seconds);
    SetBytes(state, input);
    Ratio(state, "time_vs_parse", seconds, Timings::Median("Parse/" + input.name));
}

// Peak resident memory of a whole process that parses (or parses and
// saves) the file.
void MemoryBenchmark(benchmark::State& state, std::string /*name*/, InputMaker make, bool save)
{
    const Input& input = make();
    const std::string out = Inputs::Get().ScratchPath(input.name + "-memory.htm");
    const std::string command = std::string("'") + HTMLFILE_MEMORY_PROBE + "' " + (save ? "save '" : "parse '") +
                                input.path + "'" + (save ? " '" + out + "'" : std::string());
    long startKb = 0, peakKb = 0, elements = 0;
    bool ok = true;
    for (auto _ : state) {
        std::FILE* pipe = ::popen(command.c_str(), "r");
        ok = pipe && std::fscanf(pipe, "start_kb=%ld peak_kb=%ld elements=%ld", &startKb, &peakKb, &elements) == 3;
        if (pipe) ok = ::pclose(pipe) == 0 && ok;
    }
    std::filesystem::remove(out);
    if (!ok) {
        state.SkipWithError(("memory probe failed: " + command).c_str());
        return;
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
    state.counters["start_kB"] = static_cast<double>(startKb);
    state.counters["elements"] = static_cast<double>(elements);
}

void RegisterAll()
{
    constexpr int kMainReps = 5;
    std::vector<InputSpec> main;
    for (std::uint64_t size : kMainSizes) main.push_back(TopicsOf(TopicKind::Pages, size));

    auto add = [](const std::string& name, auto function, auto... arguments) {
        return benchmark::RegisterBenchmark(name.c_str(), function, name, arguments...);
    };
    for (const InputSpec& in : main) {
        add("Floor/read/" + in.name, ReadFloorBenchmark, in.make)->Repetitions(kMainReps);
        add("Floor/decode/" + in.name, DecodeFloorBenchmark, in.make)->Repetitions(kMainReps);
        if (HasInPlaceFloor()) add("Floor/inplace/" + in.name, InPlaceFloorBenchmark, in.make)->Repetitions(kMainReps);
    }
#ifdef HTMLFILE_BENCH_LIBXML2
    for (const InputSpec& in : main) add("Peer/libxml2/" + in.name, PeerBenchmark, in.make)->Repetitions(kMainReps);
#endif
    for (const InputSpec& in : main)
        add("Parse/" + in.name, ParseBenchmark, in.make, DWORD{0})->Repetitions(kMainReps)->UseManualTime();
    for (const InputSpec& in : main)
        add("Parse/changed-only/" + in.name, ParseBenchmark, in.make, DWORD{SAVE_CHANGED_ONLY})
            ->Repetitions(kMainReps)
            ->UseManualTime();
    for (const InputSpec& in : main) {
        add("Save/unchanged/" + in.name, SaveBenchmark, in.make, false, false)->Repetitions(kMainReps)->UseManualTime();
        add("Save/edited/" + in.name, SaveBenchmark, in.make, true, false)->Repetitions(kMainReps)->UseManualTime();
        add("Save/flushed/" + in.name, SaveBenchmark, in.make, false, true)->Repetitions(kMainReps)->UseManualTime();
    }

    // Encodings: UTF-8 pages, then pages with Japanese or Chinese text in
    // Shift_JIS and GBK; the floors show what reading and decoding cost.
    std::vector<InputSpec> encoded{TopicsOf(TopicKind::Pages, kEncodedSize)};
    for (htmlfile_text::EncodingId encoding : kLegacyEncodings) encoded.push_back(EncodedTopicsOf(encoding, kEncodedSize));
    for (const InputSpec& in : encoded) {
        add("Floor/read/" + in.name, ReadFloorBenchmark, in.make)->Repetitions(kMainReps);
        add("Floor/decode/" + in.name, DecodeFloorBenchmark, in.make)->Repetitions(kMainReps);
        add("Parse/" + in.name, ParseBenchmark, in.make, DWORD{0})->Repetitions(kMainReps)->UseManualTime();
    }

    // Scaling: the same kind of topics at growing sizes, then inputs of the
    // middle size that each push one recording path to its extreme.
    std::vector<InputSpec> scaling;
    for (std::uint64_t size : kScalingSizes) scaling.push_back(TopicsOf(TopicKind::Pages, size));
    for (Adversary adversary : kAdversaries) scaling.push_back(AdversaryOf(adversary, kAdversarySize));
    for (const InputSpec& in : scaling)
        add("Scaling/" + in.name, ParseBenchmark, in.make, DWORD{0})->Repetitions(3)->UseManualTime();

    // Memory: a big and a small topic with few recorded elements, each in a
    // process of its own; then the main inputs, whose recorded elements
    // grow with the file.
    for (std::uint64_t size : {5 * kKB, 50 * kMB}) {
        const InputSpec in = TopicsOf(TopicKind::PlainTopic, size);
        add("Memory/parse/" + in.name, MemoryBenchmark, in.make, false)->Iterations(1);
        add("Memory/save/" + in.name, MemoryBenchmark, in.make, true)->Iterations(1);
    }
    for (const InputSpec& in : main) add("Memory/parse/" + in.name, MemoryBenchmark, in.make, false)->Iterations(1);
}

// Prints the usual table, then a summary built from the medians.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") m_results[name] = Result{Seconds(run), run.counters, true};
            } else if (!m_results[name].fromMedian) {
                m_results[name] = Result{Seconds(run), run.counters, false};
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        out << "\nSummary (medians; MB = 10^6 bytes; ratios are of throughput unless marked time)\n";
        Throughput(out);
        Encodings(out);
        Scaling(out);
        Memory(out);
        Targets(out);
    }

private:
    struct Result {
        double seconds = 0;
        benchmark::UserCounters counters;
        bool fromMedian = false;
    };

    static double Seconds(const Run& run)
    {
        return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    const Result* Find(const std::string& name) const
    {
        auto found = m_results.find(name);
        return found == m_results.end() || found->second.seconds <= 0 ? nullptr : &found->second;
    }

    double MBps(const std::string& name, std::uint64_t bytes) const
    {
        const Result* r = Find(name);
        return r ? static_cast<double>(bytes) / kMB / r->seconds : 0;
    }

    static std::string Fixed(double value, int decimals = 1)
    {
        if (value <= 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }

    static const Input* Made(const std::string& name) { return Inputs::Get().Find(name); }

    // Seconds to parse and then destroy the document (0: not measured).
    double ParseAndClose(const std::string& input) const
    {
        const Result* r = Find("Parse/" + input);
        if (!r) return 0;
        auto close = r->counters.find("close_ms");
        return close == r->counters.end() ? 0 : r->seconds + static_cast<double>(close->second) / 1000;
    }

    void Throughput(std::ostream& out) const
    {
        char line[256];
        std::snprintf(line, sizeof line, "\n%-34s %10s %9s %10s %10s %9s\n", "benchmark", "MB/s", "vs read", "vs decode",
                      "vs inplace", "vs peer");
        out << line;
        for (std::uint64_t size : kMainSizes) {
            const Input* input = Made(Inputs::TopicsName(TopicKind::Pages, size));
            if (!input) continue;
            const std::uint64_t bytes = input->counts.bytes;
            const double read = MBps(FloorName("read", *input), bytes);
            const double decode = MBps(FloorName("decode", *input), bytes);
            const double inplace = MBps(FloorName("inplace", *input), bytes);
            const double peer = MBps("Peer/libxml2/" + input->name, bytes);
            for (const char* prefix : {"Floor/read/", "Floor/decode/", "Floor/inplace/", "Peer/libxml2/", "Parse/",
                                       "Parse+close/", "Save/unchanged/", "Save/edited/"}) {
                const std::string name = prefix + input->name;
                const double parseAndClose = ParseAndClose(input->name);
                const double mbps = std::string(prefix) != "Parse+close/" ? MBps(name, bytes)
                                    : parseAndClose > 0                  ? static_cast<double>(bytes) / kMB / parseAndClose
                                                                         : 0;
                if (mbps <= 0) continue;
                std::snprintf(line, sizeof line, "%-34s %10s %9s %10s %10s %9s\n", name.c_str(), Fixed(mbps).c_str(),
                              Fixed(read > 0 ? mbps / read : 0, 3).c_str(), Fixed(decode > 0 ? mbps / decode : 0, 3).c_str(),
                              Fixed(inplace > 0 ? mbps / inplace : 0, 3).c_str(), Fixed(peer > 0 ? mbps / peer : 0, 2).c_str());
                out << line;
            }
        }
    }

    // Parse MB/s of the pages in each legacy encoding against UTF-8's; 0
    // when either did not run.
    double EncodedParseRatio(htmlfile_text::EncodingId encoding) const
    {
        const Input* utf8 = Made(Inputs::TopicsName(TopicKind::Pages, kEncodedSize));
        const Input* encoded = Made(Inputs::EncodedTopicsName(encoding, kEncodedSize));
        if (!utf8 || !encoded) return 0;
        const double base = MBps("Parse/" + utf8->name, utf8->counts.bytes);
        const double mbps = MBps("Parse/" + encoded->name, encoded->counts.bytes);
        return base > 0 ? mbps / base : 0;
    }

    void Encodings(std::ostream& out) const
    {
        char line[256];
        std::snprintf(line, sizeof line, "\n%-34s %8s %10s %12s %10s\n", "encodings (parse, PARSE_ALL)", "MB",
                      "parse MB/s", "decode MB/s", "vs UTF-8");
        out << line;
        std::vector<std::string> names{Inputs::TopicsName(TopicKind::Pages, kEncodedSize)};
        for (htmlfile_text::EncodingId encoding : kLegacyEncodings)
            names.push_back(Inputs::EncodedTopicsName(encoding, kEncodedSize));
        const Input* utf8 = Made(names.front());
        const double base = utf8 ? MBps("Parse/" + utf8->name, utf8->counts.bytes) : 0;
        for (const std::string& name : names) {
            const Input* input = Made(name);
            const double mbps = input ? MBps("Parse/" + name, input->counts.bytes) : 0;
            if (mbps <= 0) continue;
            std::snprintf(line, sizeof line, "%-34s %8.1f %10.1f %12s %10s\n", name.c_str(),
                          static_cast<double>(input->counts.bytes) / kMB, mbps,
                          Fixed(MBps(FloorName("decode", *input), input->counts.bytes)).c_str(),
                          Fixed(base > 0 ? mbps / base : 0, 2).c_str());
            out << line;
        }
    }

    // Seconds per MB of a scaling run, 0 when it did not run.
    double ScalingPerMB(const std::string& name) const
    {
        const Input* input = Made(name);
        const Result* r = Find("Scaling/" + name);
        return input && r ? r->seconds / (static_cast<double>(input->counts.bytes) / kMB) : 0;
    }

    void Scaling(std::ostream& out) const
    {
        char line[256];
        std::snprintf(line, sizeof line, "\n%-40s %8s %10s %10s %14s\n", "scaling (parse, PARSE_ALL)", "MB", "MB/s",
                      "ms per MB", "vs ordinary");
        out << line;
        const double basePerMB = ScalingPerMB(Inputs::TopicsName(TopicKind::Pages, kAdversarySize));
        std::vector<std::string> names;
        for (std::uint64_t size : kScalingSizes) names.push_back(Inputs::TopicsName(TopicKind::Pages, size));
        for (Adversary adversary : kAdversaries) names.push_back(Inputs::AdversarialName(adversary, kAdversarySize));
        for (const std::string& name : names) {
            const double perMB = ScalingPerMB(name);
            if (perMB <= 0) continue;
            const double mb = static_cast<double>(Made(name)->counts.bytes) / kMB;
            std::snprintf(line, sizeof line, "%-40s %8.1f %10.1f %10.2f %14s\n", name.c_str(), mb, 1 / perMB,
                          perMB * 1000, Fixed(basePerMB > 0 ? perMB / basePerMB : 0, 2).c_str());
            out << line;
        }
    }

    double Counter(const std::string& name, const char* counter) const
    {
        const Result* r = Find(name);
        if (!r) return 0;
        auto found = r->counters.find(counter);
        return found == r->counters.end() ? 0 : static_cast<double>(found->second);
    }

    void Memory(std::ostream& out) const
    {
        char line[256];
        std::snprintf(line, sizeof line, "\n%-34s %12s %12s %12s\n", "peak resident memory", "peak kB", "vs 5KB kB",
                      "elements");
        out << line;
        auto row = [&](const std::string& name, const std::string& small) {
            const double peak = Counter(name, "peak_kB");
            if (peak <= 0) return;
            std::snprintf(line, sizeof line, "%-34s %12.0f %12.0f %12.0f\n", name.c_str(), peak,
                          peak - Counter(small, "peak_kB"), Counter(name, "elements"));
            out << line;
        };
        for (const char* op : {"parse", "save"})
            for (const char* size : {"5KB", "50MB"})
                row(std::string("Memory/") + op + "/plain_" + size, std::string("Memory/") + op + "/plain_5KB");
        for (std::uint64_t size : kMainSizes)
            row("Memory/parse/" + Inputs::TopicsName(TopicKind::Pages, size), "Memory/parse/topics_5KB");
    }

    static void Target(std::ostream& out, const std::string& what, double value, bool higherIsBetter, double limit,
                       const char* unit)
    {
        char line[256];
        const char* verdict = value <= 0                                                  ? "not measured"
                              : (higherIsBetter ? value >= limit : value <= limit) ? "met"
                                                                                          : "MISSED";
        std::snprintf(line, sizeof line, "%-58s %9s %s %-7s %s\n", what.c_str(), Fixed(value, 2).c_str(),
                      higherIsBetter ? ">=" : "<=", (Fixed(limit, 2) + unit).c_str(), verdict);
        out << line;
    }

    void Targets(std::ostream& out) const
    {
        out << "\ntargets\n";
        const std::string big = Inputs::TopicsName(TopicKind::Pages, 50 * kMB);
        const Result* parse = Find("Parse/" + big);
        const Result* peer = Find("Peer/libxml2/" + big);
        const Result* decode = Find("Floor/decode/" + big);
        const Result* save = Find("Save/unchanged/" + big);
        // Same bytes, so throughput ratios are inverse time ratios.
        Target(out, "parse 50MB throughput / libxml2's", parse && peer ? peer->seconds / parse->seconds : 0, true, 3, "x");
        const double parseAndClose = ParseAndClose(big);
        Target(out, "  (parse and destroy the document) / libxml2's",
               peer && parseAndClose > 0 ? peer->seconds / parseAndClose : 0, true, 3, "x");
        Target(out, "parse 50MB throughput / decoding floor's", parse && decode ? decode->seconds / parse->seconds : 0,
               true, 0.5, "x");
        Target(out, "SaveFileAs unchanged 50MB time / parse time", save && parse ? save->seconds / parse->seconds : 0,
               false, 2, "x");
        const Result* changedOnly = Find("Parse/changed-only/" + big);
        Target(out, "parse 50MB with SAVE_CHANGED_ONLY time / parse time",
               changedOnly && parse ? changedOnly->seconds / parse->seconds : 0, false, 1.2, "x");
        Target(out, "  (the save's re-read also destroys the old elements) / (parse and destroy)",
               save && parseAndClose > 0 ? save->seconds / parseAndClose : 0, false, 2, "x");
        for (const char* op : {"parse", "save"}) {
            const double small = Counter(std::string("Memory/") + op + "/plain_5KB", "peak_kB");
            const double large = Counter(std::string("Memory/") + op + "/plain_50MB", "peak_kB");
            Target(out, std::string("peak memory, ") + op + " 50MB minus 5KB (MB)",
                   small > 0 && large > 0 ? std::max(large - small, 1.0) / 1024 : 0, false, 4, "MB");
        }
        const double basePerMB = ScalingPerMB(Inputs::TopicsName(TopicKind::Pages, kAdversarySize));
        for (Adversary adversary : kAdversaries) {
            const std::string name = Inputs::AdversarialName(adversary, kAdversarySize);
            const double perMB = ScalingPerMB(name);
            Target(out, name + " time/MB vs ordinary 10MB", basePerMB > 0 ? perMB / basePerMB : 0, false, 2, "x");
        }
        for (htmlfile_text::EncodingId encoding : kLegacyEncodings)
            Target(out, std::string("parse ") + htmlfile_text::EncodingName(encoding) + " 10MB throughput / UTF-8's",
                   EncodedParseRatio(encoding), true, 0.5, "x");
    }

    std::map<std::string, Result> m_results;
};

// "--generate NAME PATH" writes one input (names as in the benchmarks:
// topics_10MB, topics_shift_jis_10MB, plain_5KB, maps_100k_10MB...) for
// profiling and exits.
int Generate(const std::string& name, const std::string& path)
{
    const size_t underscore = name.rfind('_');
    std::uint64_t bytes = 0;
    size_t digits = 0;
    if (underscore != std::string::npos) {
        const std::string size = name.substr(underscore + 1);
        while (digits < size.size() && size[digits] >= '0' && size[digits] <= '9') ++digits;
        const std::string unit = size.substr(digits);
        const std::uint64_t scale = unit == "MB" ? kMB : unit == "KB" ? kKB : unit == "B" ? 1 : 0;
        if (digits > 0 && digits < 12) bytes = std::stoull(size.substr(0, digits)) * scale;
    }
    const std::string kind = underscore == std::string::npos ? name : name.substr(0, underscore);
    if (bytes > 0) {
        MarkupCounts counts;
        bool known = true;
        const auto encoding = kind.rfind("topics_", 0) == 0 ? htmlfile_text::EncodingForLabel(kind.substr(7))
                                                             : std::nullopt;
        if (kind == "topics") counts = WriteTopics(path, TopicKind::Pages, bytes);
        else if (kind == "plain") counts = WriteTopics(path, TopicKind::PlainTopic, bytes);
        else if (encoding) counts = WriteEncodedTopics(path, *encoding, bytes);
        else {
            known = false;
            for (Adversary adversary : kAdversaries) {
                if (kind != AdversaryName(adversary)) continue;
                counts = WriteAdversary(path, adversary, bytes);
                known = true;
            }
        }
        if (known) {
            std::printf("bytes=%llu pages=%llu start_tags=%llu end_tags=%llu attributes=%llu\n",
                        static_cast<unsigned long long>(counts.bytes), static_cast<unsigned long long>(counts.pages),
                        static_cast<unsigned long long>(counts.startTags), static_cast<unsigned long long>(counts.endTags),
                        static_cast<unsigned long long>(counts.attributes));
            return 0;
        }
    }
    std::fprintf(stderr, "htmlfile_bench: no input named '%s'\n", name.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--generate") return Generate(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
