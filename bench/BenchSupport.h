// What the benchmarks share: the generated input files, the two floors a
// parse is measured against, a tag count through our own scanner, and the
// times measured so far in this run (for the ratio counters).
#pragma once

#include "TopicCorpus.h"

#include <htmlfile/text/Encodings.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct Input {
    std::string name;
    std::string path;
    MarkupCounts counts;
};

// Generated once per run, on first use, in a temporary folder that is
// removed when the program ends.
class Inputs {
public:
    static Inputs& Get();

    const Input& Topics(TopicKind kind, std::uint64_t nBytes);
    const Input& Adversarial(Adversary adversary, std::uint64_t nBytes);
    // Pages (TopicKind::Pages) in a legacy encoding, see WriteEncodedTopics.
    const Input& EncodedTopics(htmlfile_text::EncodingId encoding, std::uint64_t nBytes);
    static std::string TopicsName(TopicKind kind, std::uint64_t nBytes);
    static std::string EncodedTopicsName(htmlfile_text::EncodingId encoding, std::uint64_t nBytes);
    static std::string AdversarialName(Adversary adversary, std::uint64_t nBytes);
    // An input made before, or null.
    const Input* Find(const std::string& name) const;

    // A scratch path in the temporary folder.
    std::string ScratchPath(const std::string& name) const;
    const std::string& Folder() const { return m_folder; }

    ~Inputs();

private:
    Inputs();
    // The input of that name, written by `write` to its path the first time.
    const Input& Made(const std::string& name, const std::function<MarkupCounts(const std::string&)>& write);

    std::string m_folder;
    std::map<std::string, Input> m_inputs;
};

// Pages with Japanese words (for Shift_JIS, EUC-JP, ISO-2022-JP) or Chinese
// words (for the others) written as UTF-8 and encoded into the encoding by
// the library's encoder, each page's charset declaration naming it;
// characters it lacks become "&#N;". About nBytes once encoded.
MarkupCounts WriteEncodedTopics(const std::string& path, htmlfile_text::EncodingId encoding, std::uint64_t nBytes);

std::string SizeName(std::uint64_t nBytes);
std::wstring Widen(const std::string& ascii);

// The I/O floor: read() into a 64 KiB buffer until the end of the file.
std::uint64_t ReadFloor(const std::string& path);

// The decoding floor: the file read through the text file class in 1024
// wide-character chunks, each encoded back to UTF-8, as the parse does
// before it scans. Returns the UTF-8 bytes produced.
std::uint64_t DecodeFloor(const std::string& path);

// The parse's own way of reading, where the file class offers it: UTF-8
// text handed over as it lies in the read buffer (ReadUtf8InPlace), other
// text read and encoded as for the decoding floor. Returns the bytes; 0
// when the file class has no in-place read (an older library).
std::uint64_t InPlaceFloor(const std::string& path);
bool HasInPlaceFloor();

// Start tags, end tags and attributes that our scanner reports for the file
// read as a parse reads it.
MarkupCounts ScanCounts(const std::string& path);

// Seconds per iteration measured in this run, by benchmark name.
class Timings {
public:
    static void Add(const std::string& name, double seconds);
    // Median of what was added; 0 when nothing was.
    static double Median(const std::string& name);
};

} // namespace bench
