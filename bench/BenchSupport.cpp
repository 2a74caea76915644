#include "BenchSupport.h"

#include <htmlfile/htmlfile.h>
#include <htmlfile/text/TextEncoding.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <type_traits>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

Inputs& Inputs::Get()
{
    static Inputs inputs;
    return inputs;
}

Inputs::Inputs()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/htmlfile-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder like " + pattern);
    m_folder = pattern;
}

Inputs::~Inputs()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string Inputs::ScratchPath(const std::string& name) const
{
    return m_folder + "/" + name;
}

std::string Inputs::TopicsName(TopicKind kind, std::uint64_t nBytes)
{
    return std::string(kind == TopicKind::Pages ? "topics_" : "plain_") + SizeName(nBytes);
}

std::string Inputs::AdversarialName(Adversary adversary, std::uint64_t nBytes)
{
    return std::string(AdversaryName(adversary)) + "_" + SizeName(nBytes);
}

std::string Inputs::EncodedTopicsName(htmlfile_text::EncodingId encoding, std::uint64_t nBytes)
{
    std::string name = htmlfile_text::EncodingName(encoding);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c == '-' ? '_' : c; });
    return "topics_" + name + "_" + SizeName(nBytes);
}

const Input* Inputs::Find(const std::string& name) const
{
    auto found = m_inputs.find(name);
    return found == m_inputs.end() ? nullptr : &found->second;
}

const Input& Inputs::Topics(TopicKind kind, std::uint64_t nBytes)
{
    return Made(TopicsName(kind, nBytes), [&](const std::string& path) { return WriteTopics(path, kind, nBytes); });
}

const Input& Inputs::EncodedTopics(htmlfile_text::EncodingId encoding, std::uint64_t nBytes)
{
    return Made(EncodedTopicsName(encoding, nBytes),
                [&](const std::string& path) { return WriteEncodedTopics(path, encoding, nBytes); });
}

const Input& Inputs::Adversarial(Adversary adversary, std::uint64_t nBytes)
{
    return Made(AdversarialName(adversary, nBytes),
                [&](const std::string& path) { return WriteAdversary(path, adversary, nBytes); });
}

const Input& Inputs::Made(const std::string& name, const std::function<MarkupCounts(const std::string&)>& write)
{
    auto found = m_inputs.find(name);
    if (found != m_inputs.end()) return found->second;
    Input input{name, ScratchPath(name + ".htm"), {}};
    input.counts = write(input.path);
    return m_inputs.emplace(name, std::move(input)).first->second;
}

namespace {

std::string ReadWhole(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw std::runtime_error("cannot open " + path);
    std::string bytes;
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

void WriteWhole(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!file || std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

// UTF-8 text decoded and encoded again by the library's codecs, a block at a
// time.
std::string Transcode(const std::string& utf8, htmlfile_text::EncodingId encoding)
{
    constexpr size_t kUnits = 1 << 14;
    std::vector<wchar_t> units(kUnits);
    std::vector<unsigned char> bytes(kUnits * htmlfile_text::kMaxEncodedUnitBytes);
    htmlfile_text::Decoder decoder(htmlfile_text::EncodingId::kUtf8);
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const unsigned char* const end = in + utf8.size();
    std::string out;
    out.reserve(utf8.size());
    while (in < end) {
        const size_t n = decoder.Decode(&in, end, true, units.data(), units.size());
        for (const wchar_t* p = units.data(); p < units.data() + n;) {
            const size_t written = htmlfile_text::EncodeUnits(encoding, &p, units.data() + n, bytes.data(), bytes.size());
            out.append(reinterpret_cast<const char*>(bytes.data()), written);
        }
    }
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

MarkupCounts WriteEncodedTopics(const std::string& path, htmlfile_text::EncodingId encoding, std::uint64_t nBytes)
{
    using htmlfile_text::EncodingId;
    const bool japanese =
        encoding == EncodingId::kShiftJis || encoding == EncodingId::kEucJp || encoding == EncodingId::kIso2022Jp;
    const std::string utf8Path = path + ".utf8";
    // Japanese and Chinese take fewer bytes encoded than in UTF-8: a second
    // pass asks for as much more UTF-8 as the first one fell short.
    std::uint64_t asked = nBytes;
    for (int pass = 0;; ++pass) {
        MarkupCounts counts = WriteTopics(utf8Path, TopicKind::Pages, asked,
                                          japanese ? TopicLanguage::Japanese : TopicLanguage::Chinese);
        std::string text = ReadWhole(utf8Path);
        std::remove(utf8Path.c_str());
        ReplaceAll(text, "charset=utf-8", std::string("charset=") + htmlfile_text::EncodingName(encoding));
        const std::string encoded = Transcode(text, encoding);
        if (pass == 0 && encoded.size() < nBytes) {
            asked = asked * nBytes / encoded.size() + 1;
            continue;
        }
        WriteWhole(path, encoded);
        counts.bytes = encoded.size();
        return counts;
    }
}

std::string SizeName(std::uint64_t nBytes)
{
    if (nBytes >= 1000000 && nBytes % 1000000 == 0) return std::to_string(nBytes / 1000000) + "MB";
    if (nBytes >= 1000 && nBytes % 1000 == 0) return std::to_string(nBytes / 1000) + "KB";
    return std::to_string(nBytes) + "B";
}

std::wstring Widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::uint64_t ReadFloor(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    static char buffer[64 * 1024];
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    return total;
}

std::uint64_t DecodeFloor(const std::string& path)
{
    CkvuuStdioFile file(Widen(path).c_str(), CFile::modeRead | CFile::shareDenyNone);
    wchar_t text[1024];
    unsigned char bytes[1024 * htmlfile_text::kMaxEncodedUnitBytes];
    std::uint64_t total = 0;
    for (;;) {
        const UINT n = file.Read(text, 1024, nullptr);
        if (n == 0) break;
        const wchar_t* p = text;
        total += htmlfile_text::EncodeUnits(CkvuuStdioFile::encodingUtf8, &p, text + n, bytes, sizeof bytes);
    }
    return total;
}

namespace {

// Whether the file class F reads UTF-8 in place; the benchmarks also build
// against libraries from before it did, to measure what changed.
template <typename F, typename = void>
struct ReadsInPlace : std::false_type {};
template <typename F>
struct ReadsInPlace<F, std::void_t<decltype(&F::ReadUtf8InPlace)>> : std::true_type {};

template <typename F>
std::uint64_t ReadInPlace(F& file)
{
    wchar_t text[1024];
    unsigned char bytes[1024 * htmlfile_text::kMaxEncodedUnitBytes];
    std::uint64_t total = 0;
    for (;;) {
        const char* pBytes = nullptr;
        size_t nBytes = 0;
        UINT nUnits = 0;
        if (!file.ReadUtf8InPlace(1024, &pBytes, &nBytes, &nUnits)) {
            nUnits = file.Read(text, 1024, nullptr);
            const wchar_t* p = text;
            nBytes = htmlfile_text::EncodeUnits(CkvuuStdioFile::encodingUtf8, &p, text + nUnits, bytes, sizeof bytes);
        }
        if (nUnits == 0) break;
        total += nBytes;
    }
    return total;
}

} // namespace

bool HasInPlaceFloor()
{
    return ReadsInPlace<CkvuuStdioFile>::value;
}

std::uint64_t InPlaceFloor(const std::string& path)
{
    if constexpr (ReadsInPlace<CkvuuStdioFile>::value) {
        CkvuuStdioFile file(Widen(path).c_str(), CFile::modeRead | CFile::shareDenyNone);
        return ReadInPlace(file);
    } else {
        (void)path;
        return 0;
    }
}

namespace {

class TagCounter : public HTMLCallback {
public:
    unsigned int callback(HTML&, _HTML_cbreason reason, const wchar_t*, TagAttribute* const pAttributes) override
    {
        if (reason == HTMLCB_STARTTAG) ++counts.startTags;
        else ++counts.endTags;
        for (const TagAttribute* a = pAttributes; a; a = a->m_pNext) ++counts.attributes;
        return HTMLCB_NONE;
    }
    MarkupCounts counts;
};

} // namespace

MarkupCounts ScanCounts(const std::string& path)
{
    CkvuuStdioFile file(Widen(path).c_str(), CFile::modeRead | CFile::shareDenyNone);
    HTML scanner;
    TagCounter counter;
    scanner.init();
    scanner.regcallback(&counter);
    wchar_t text[1024];
    unsigned char bytes[1024 * htmlfile_text::kMaxEncodedUnitBytes];
    for (;;) {
        const UINT n = file.Read(text, 1024, nullptr);
        if (n == 0) break;
        const wchar_t* p = text;
        const size_t length = htmlfile_text::EncodeUnits(CkvuuStdioFile::encodingUtf8, &p, text + n, bytes, sizeof bytes);
        counter.counts.bytes += length;
        scanner.Feed(reinterpret_cast<const char*>(bytes), length);
    }
    scanner.init();
    return counter.counts;
}

namespace {
std::map<std::string, std::vector<double>>& TimingTable()
{
    static std::map<std::string, std::vector<double>> table;
    return table;
}
} // namespace

void Timings::Add(const std::string& name, double seconds)
{
    TimingTable()[name].push_back(seconds);
}

double Timings::Median(const std::string& name)
{
    auto found = TimingTable().find(name);
    if (found == TimingTable().end() || found->second.empty()) return 0;
    std::vector<double> values = found->second;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace bench
