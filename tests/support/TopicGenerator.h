// Random but realistic help topics for property tests: the same seed gives
// the same topic on every platform. Topics have nested and unclosed
// elements, comments and scripts with tags in them, maps without ends,
// objects discarded by inner tags, frame pages with a body in noframes,
// attributes in every quoting style, non-ASCII text, CR LF and LF mixed, in
// every encoding the library reads. RandomEdits changes a document through
// the API the way an authoring program would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CHtmlFile;

// splitmix64: tiny, fast and fully specified, unlike the standard engines'
// distributions.
class TopicRandom {
public:
    explicit TopicRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next();
    // Uniform in [0, n); n > 0.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool Percent(int p) { return Below(100) < p; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint64_t m_state;
};

enum class TopicEncoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE, Windows1252 };

struct GeneratedTopic {
    std::string strBytes; // the file
    TopicEncoding encoding;
    std::string strSummary; // encoding and line ends, for failure messages
};

class TopicGenerator {
public:
    explicit TopicGenerator(std::uint64_t seed) : m_random(seed) {}

    GeneratedTopic Topic();

    // Applies 0 to 5 random edits; returns what was done, for messages.
    std::string RandomEdits(CHtmlFile& doc);

    TopicRandom& Random() noexcept { return m_random; }

private:
    std::wstring Text(int nWords);
    std::wstring Word();
    std::wstring Name(const wchar_t* pszName);
    std::wstring Attribute(const wchar_t* pszName, const std::wstring& strValue);
    std::wstring Path(const wchar_t* pszExtension);
    std::wstring Colour();

    void Head(std::vector<std::wstring>& lines);
    void Body(std::vector<std::wstring>& lines);
    void FramePage(std::vector<std::wstring>& lines, bool bWithNoFrames);
    std::wstring Block();
    std::wstring Map();
    std::wstring Object();
    std::wstring Frameset(int nDepth);
    std::wstring Comment();
    std::wstring Script();

    std::string Encode(const std::wstring& strText, TopicEncoding encoding);

    TopicRandom m_random;
    bool m_bLatinOnly = false; // windows-1252 topics keep to characters it holds
};
