// Fuzz target: the tag scanner fed arbitrary bytes. The same input is fed
// whole, in random blocks, byte by byte and once more after init(); every
// feeding must report the same events. Positions must increase from tag to
// tag, lie inside the input and point at the tag's '<' and '>'. The callee
// answers each tag from a fixed random script (collect text, stop, keep the
// attribute chain), keeps the chains it was given until the end and then
// frees them: the scanner must neither touch nor leak them.
#include <htmlfile/scan/Html.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::uint64_t Mix(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Hash(const std::uint8_t* data, size_t size)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ULL;
    return hash;
}

[[noreturn]] void Fail(const char* what, size_t index)
{
    std::fprintf(stderr, "scanner property broken: %s (event %zu)\n", what, index);
    std::abort();
}

std::wstring Text(const wchar_t* psz)
{
    return psz ? std::wstring(psz) : std::wstring(L"\x1(null)");
}

// One event as text, with everything the callee can see.
std::wstring Describe(_HTML_cbreason reason, const wchar_t* pszTag, const TagAttribute* pAttributes, const HTML& html)
{
    std::wstring event = (reason == HTMLCB_STARTTAG ? L"<" : L"</") + Text(pszTag);
    for (const TagAttribute* p = pAttributes; p; p = p->m_pNext)
        event += L" " + Text(p->m_pszName) + L"=" + Text(p->m_pszValue);
    event += L"@" + std::to_wstring(html.TagBegin()) + L"-" + std::to_wstring(html.TagEnd());
    if (reason == HTMLCB_ENDTAG && html.HasCollectedText()) event += L" text:" + Text(html.CollectedText());
    return event;
}

std::wstring DescribeChain(const TagAttribute* pAttributes)
{
    std::wstring chain;
    for (const TagAttribute* p = pAttributes; p; p = p->m_pNext)
        chain += Text(p->m_pszName) + L"=" + Text(p->m_pszValue) + L";";
    return chain;
}

class Recorder : public HTMLCallback {
public:
    explicit Recorder(std::uint64_t script) : m_script(script) {}

    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                          TagAttribute* const pAttributes) override
    {
        events.push_back(Describe(reason, pszTag, pAttributes, html));
        spans.emplace_back(html.TagBegin(), html.TagEnd());
        // Mostly nothing, now and then each of the codes and their mixes.
        static const unsigned int kAnswers[] = {0, 0, 0, 0, 1, 2, 16, 17, 18, 3};
        const unsigned int answer = kAnswers[Mix(m_script + events.size()) % 10];
        if (answer & HTMLCB_KEEPATTRIBUTES && pAttributes) {
            kept.emplace_back(pAttributes);
            keptText.push_back(DescribeChain(pAttributes));
        }
        return answer;
    }

    // The chains kept are still as they were handed over.
    void CheckKept() const
    {
        for (size_t i = 0; i < kept.size(); ++i)
            if (DescribeChain(kept[i].get()) != keptText[i]) Fail("a kept attribute chain changed", i);
    }

    std::vector<std::wstring> events;
    std::vector<std::pair<int, int>> spans;

private:
    std::uint64_t m_script;
    std::vector<std::unique_ptr<TagAttribute>> kept;
    std::vector<std::wstring> keptText;
};

// Where each unit the scanner counts begins: every byte but a continuation
// byte starts one; a continuation byte joins the unit before it while that
// unit's lead byte still expects one.
std::vector<size_t> UnitStarts(const std::uint8_t* data, size_t size)
{
    std::vector<size_t> starts;
    unsigned expected = 0;
    for (size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if ((byte & 0xC0) == 0x80 && expected) {
            --expected;
            continue;
        }
        starts.push_back(i);
        expected = byte < 0xC0   ? 0
                   : byte < 0xE0 ? 1
                   : byte < 0xF0 ? 2
                   : byte < 0xF8 ? 3
                   : byte < 0xFC ? 4
                   : byte < 0xFE ? 5
                                 : 0;
    }
    return starts;
}

void CheckPositions(const Recorder& whole, const std::uint8_t* data, size_t size, long long nUnits)
{
    const std::vector<size_t> starts = UnitStarts(data, size);
    if (nUnits != static_cast<long long>(starts.size())) Fail("the unit count differs from the input's", 0);
    int nLastEnd = 0;
    for (size_t i = 0; i < whole.spans.size(); ++i) {
        const auto [nBegin, nEnd] = whole.spans[i];
        if (nBegin <= nLastEnd) Fail("a tag begins before the previous one ended", i);
        if (nEnd < nBegin || nEnd > nUnits) Fail("a span lies outside the input", i);
        if (data[starts[static_cast<size_t>(nBegin) - 1]] != '<') Fail("TagBegin is not at a '<'", i);
        if (data[starts[static_cast<size_t>(nEnd) - 1]] != '>') Fail("TagEnd is not at a '>'", i);
        nLastEnd = nEnd;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::uint64_t script = Hash(data, size);
    const auto* bytes = reinterpret_cast<const char*>(data);

    Recorder whole(script);
    long long nUnits = 0;
    {
        HTML scanner;
        scanner.init();
        scanner.regcallback(&whole);
        scanner.Feed(bytes, size);
        nUnits = scanner.Position();
    }
    whole.CheckKept();
    CheckPositions(whole, data, size, nUnits);

    Recorder blocks(script);
    {
        HTML scanner;
        scanner.init();
        scanner.regcallback(&blocks);
        std::uint64_t state = script;
        for (size_t at = 0; at < size;) {
            state = Mix(state);
            const size_t length = std::min<size_t>(size - at, 1 + state % 37);
            scanner.Feed(bytes + at, length);
            at += length;
        }
    }
    if (blocks.events != whole.events) Fail("random blocks give other events", 0);

    Recorder single(script);
    Recorder again(script);
    {
        HTML scanner;
        scanner.init();
        scanner.regcallback(&single);
        for (size_t i = 0; i < size; ++i) scanner << bytes[i];
        // A scanner used before starts afresh after init().
        scanner.init();
        scanner.regcallback(&again);
        scanner.Feed(bytes, size);
    }
    if (single.events != whole.events) Fail("byte by byte gives other events", 0);
    if (again.events != whole.events) Fail("a reused scanner gives other events", 0);
    single.CheckKept();
    return 0;
}
