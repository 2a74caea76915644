// Fuzz target: whole documents. The input is written to a file and read
// three times: with PARSE_ALL, with no flags, and with flags (saving only
// what changed, or everything) and edits drawn from the input. Each document is saved under another name and the
// round-trip checker must accept the save; the saved file is read and saved
// once more, which must write the same bytes unless a known reason says the
// writers' formats or the reading rules move on.
#include <support/RoundTrip.h>
#include <support/TopicGenerator.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A folder of this process's own, removed when the process ends normally.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* pszBase = std::getenv("TMPDIR");
        std::string strTemplate = std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/htmlfile-fuzz-XXXXXX";
        if (!::mkdtemp(strTemplate.data())) std::abort();
        m_strPath = strTemplate;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_strPath, ignored);
    }
    std::string File(const char* pszName) const { return m_strPath + "/" + pszName; }
    std::wstring WideFile(const char* pszName) const { return Utf8ToWide(File(pszName).c_str()); }

private:
    std::string m_strPath;
};

std::uint64_t Hash(const std::uint8_t* data, size_t size)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ULL;
    return hash;
}

void Check(const std::string& strError, const char* pszPass)
{
    if (strError.empty()) return;
    std::fprintf(stderr, "round trip broken (%s): %s\n", pszPass, strError.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const ScratchFolder folder;
    const std::wstring strInput = folder.WideFile("input.htm");
    const std::wstring strFirst = folder.WideFile("first.htm");
    const std::wstring strSecond = folder.WideFile("second.htm");
    WriteBytes(folder.File("input.htm"), std::string(reinterpret_cast<const char*>(data), size));

    std::string strSkipped;
    {
        RoundTripDocument doc(strInput.c_str(), PARSE_ALL);
        Check(SaveTwiceAndCheck(doc, strFirst, strSecond, strSkipped), "PARSE_ALL");
    }
    {
        RoundTripDocument doc(strInput.c_str(), 0);
        Check(SaveTwiceAndCheck(doc, strFirst, strSecond, strSkipped), "no flags");
    }
    {
        TopicGenerator generator(Hash(data, size));
        // Half of the inputs save only what changed.
        const auto dwFlags = static_cast<DWORD>(generator.Random().Next() & 0x107FF);
        RoundTripDocument doc(strInput.c_str(), dwFlags);
        // Text set in a Japanese or Chinese topic is mostly in its script.
        generator.UseScriptOf(doc.GetEncoding());
        const std::string strEdits = generator.RandomEdits(doc);
        Check(SaveTwiceAndCheck(doc, strFirst, strSecond, strSkipped), ("flags and " + strEdits).c_str());
    }
    return 0;
}
