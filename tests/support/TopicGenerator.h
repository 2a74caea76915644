// Random but realistic help topics for property tests: the same seed gives
// the same topic. Topics have nested and unclosed elements, comments and
// scripts with tags in them, maps without ends, objects discarded by inner
// tags, frame pages, attributes in every quoting style, non-ASCII text, mixed
// line ends, in UTF-8 (with and without a mark), UTF-16LE/BE, windows-1252,
// Shift_JIS and GBK. RandomEdits changes a document through the API.
#pragma once

#include <cstdint>
#include <string>

class CHtmlFile;

// splitmix64: the same on every platform, unlike the standard distributions.
class TopicRandom {
public:
    explicit TopicRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next();
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); } // uniform in [0, n)
    bool Percent(int p) { return Below(100) < p; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint64_t m_state;
};

struct GeneratedTopic {
    std::string strBytes;   // the file
    std::string strSummary; // encoding and line ends, for failure messages
};

class TopicGenerator {
public:
    explicit TopicGenerator(std::uint64_t seed) : m_random(seed) {}

    GeneratedTopic Topic();
    // Applies 0 to 5 random edits; returns what was done, for messages.
    std::string RandomEdits(CHtmlFile& doc);
    TopicRandom& Random() noexcept { return m_random; }
    // For the edits of a document read elsewhere (the document fuzzer): the
    // script of its encoding's name (CHtmlFile::GetEncoding), Japanese for
    // Shift_JIS, EUC-JP and ISO-2022-JP, Chinese for GBK, gb18030 and Big5.
    void UseScriptOf(const wchar_t* pszEncoding);

private:
    // Which words stand for non-ASCII text: any script, or only what the
    // topic's encoding holds best. Topic() sets it for the topic it makes.
    enum class TextScript { Any, Latin, Japanese, Chinese };
    struct Builder; // the parts of a topic
    TopicRandom m_random;
    TextScript m_script = TextScript::Any;
};
