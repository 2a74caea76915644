#include <htmlfile/outside/KvuuStdioFile.h>

#include <gtest/gtest.h>

#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;
using F = CkvuuStdioFile;
using Enc = F::Encoding;

// A fresh folder per test, removed with everything in it.
struct ScratchDir {
    fs::path path = fs::temp_directory_path() / ("stdio_file_" + std::to_string(::getpid()));
    ScratchDir() { fs::create_directories(path); }
    ~ScratchDir() { std::error_code ignored; fs::remove_all(path, ignored); }
    std::wstring File(const char* name) const { return Utf8ToWide((path / name).c_str()); }
};

void WriteBytes(const std::wstring& path, const Bytes& bytes)
{
    std::ofstream(WideToUtf8(path.c_str()), std::ios::binary) << bytes;
}

Bytes ReadBytes(const std::wstring& path)
{
    std::ifstream in(WideToUtf8(path.c_str()), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Text made of arbitrary values, surrogates and raw-byte carriers included.
std::wstring Units(std::initializer_list<unsigned> values)
{
    std::wstring text;
    for (unsigned v : values) text += static_cast<wchar_t>(v);
    return text;
}

std::wstring ReadAll(CkvuuStdioFile& file, UINT nChunk = 1024)
{
    std::wstring text;
    std::vector<wchar_t> buffer(nChunk);
    while (UINT n = file.Read(buffer.data(), nChunk, nullptr)) {
        text.append(buffer.data(), n);
        if (n < nChunk) {
            EXPECT_EQ(file.Read(buffer.data(), nChunk), 0u) << "short read before the end";
        }
    }
    return text;
}

Bytes WriteText(const std::wstring& path, Enc encoding, BOOL bMark, const std::wstring& text)
{
    CkvuuStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.SetEncoding(encoding, bMark);
    file.Write(text.data(), static_cast<UINT>(text.size()));
    file.Close();
    return ReadBytes(path);
}

// Reads a file and writes what was read, in its encoding, to another.
Bytes CopyThrough(const std::wstring& from, const std::wstring& to)
{
    CkvuuStdioFile source(from.c_str(), CFile::modeRead | CFile::shareDenyNone);
    CkvuuStdioFile dest(to.c_str(), CFile::modeCreate | CFile::modeWrite);
    dest.TakeEncodingFrom(source);
    wchar_t buffer[1024];
    while (UINT n = source.Read(buffer, 1024)) dest.Write(buffer, n);
    dest.Close();
    return ReadBytes(to);
}

// Varied sequence lengths, so that sequences straddle the internal buffer
// boundaries at every alignment. windows-1252 gets only what it can hold, and
// "\xE9a" keeps its bytes from passing for UTF-8.
std::wstring LargeText(Enc encoding, size_t nMinimum)
{
    const std::wstring piece = encoding == F::encodingWindows1252 ? L"\u00E9a\u20AC\u2122\r\n"
                                                                                : L"\u00E9a\u20AC\U0001F600\r\n";
    std::wstring text;
    for (size_t i = 0; text.size() < nMinimum; ++i) text += piece + std::wstring(i % 7, L'x');
    return text;
}

class StdioFileTest : public ::testing::Test {
protected:
    void TearDown() override { htmlfile_testing::ResetFaults(); }
    ScratchDir m_dir;
};

TEST_F(StdioFileTest, EachEncodingDecodesAndWritesBackUnchanged)
{
    struct Case {
        const char* name;
        Bytes bytes;
        Enc encoding;
        BOOL bMark;
        std::optional<std::wstring> text;
        bool bSameBytes = true;
    };
    const Case cases[] = {
        {"utf8", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n", F::encodingUtf8, FALSE,
         L"a\u00E9\u20AC\U0001F600\r\n"},
        {"utf8 mark", "\xEF\xBB\xBFx\xC3\xA9", F::encodingUtf8, TRUE, L"x\u00E9"},
        {"utf16le", Bytes("\xFF\xFE" "A\0" "\x3D\xD8\x00\xDE" "\x00\xD8" "A\0" "\x00\xDC" "Z", 15), F::encodingUtf16LE,
         TRUE, Units({'A', 0x1F600, 0xD800, 'A', 0xDC00, 0x110000 + 'Z'})},
        {"utf16be", Bytes("\xFE\xFF" "\0A" "\xD8\x3D\xDE\x00" "\xDC\x00" "\xD8\x00", 12),
         F::encodingUtf16BE, TRUE, Units({'A', 0x1F600, 0xDC00, 0xD800})},
        {"empty", "", F::encodingUtf8, FALSE, L""},
        {"mark only utf8", "\xEF\xBB\xBF", F::encodingUtf8, TRUE, L""},
        {"mark only utf16le", "\xFF\xFE", F::encodingUtf16LE, TRUE, L""},
        {"mark only utf16be", "\xFE\xFF", F::encodingUtf16BE, TRUE, L""},
        {"1252", "caf\xE9 \x80\x9D\r\n", F::encodingWindows1252, FALSE, L"caf\u00E9 \u20AC\u009D\r\n"},
        {"overlong", "a\xC0\xAF", F::encodingWindows1252, FALSE, L"a\u00C0\u00AF"},
        {"surrogate in utf8", "\xED\xA0\x80", F::encodingWindows1252, FALSE, {}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", F::encodingWindows1252, FALSE, {}},
        {"truncated at end", "ok\xE2\x82", F::encodingWindows1252, FALSE, L"ok\u00E2\u201A"},
        {"truncated mark", "\xEF\xBB", F::encodingWindows1252, FALSE, {}},
        {"ill-formed after utf8 mark", "\xEF\xBB\xBF\xFF\xE2\x82\xC3", F::encodingUtf8, TRUE,
         Units({0x1100FF, 0x1100E2, 0x110082, 0x1100C3})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(m_dir.File("in"), c.bytes);
        CkvuuStdioFile file(m_dir.File("in").c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(file.GetEncoding(), c.encoding);
        EXPECT_EQ(file.HasByteOrderMark(), c.bMark);
        EXPECT_EQ(file.GetLength(), c.bytes.size());
        if (c.text) {
            EXPECT_EQ(ReadAll(file, 3), *c.text);
        }
        if (c.bSameBytes) {
            EXPECT_EQ(CopyThrough(m_dir.File("in"), m_dir.File("out")), c.bytes);
        }
    }
}

// The C library's own windows-1252 converter is the reference; it leaves the
// five unassigned bytes undefined, which read as the C1 control of that value.
wchar_t Windows1252Reference(unsigned char byte)
{
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) return byte;
    const iconv_t converter = ::iconv_open("WCHAR_T", "CP1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP1252 converter");
    char in[1] = {static_cast<char>(byte)};
    wchar_t out[1] = {0};
    char* pIn = in;
    char* pOut = reinterpret_cast<char*>(out);
    size_t nIn = 1, nOut = sizeof out;
    const size_t result = ::iconv(converter, &pIn, &nIn, &pOut, &nOut);
    ::iconv_close(converter);
    if (result == static_cast<size_t>(-1)) throw std::runtime_error("CP1252 byte not converted");
    return out[0];
}

TEST_F(StdioFileTest, EveryByteValueReadsAsWindows1252AndRoundTrips)
{
    Bytes all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    WriteBytes(m_dir.File("in"), all);
    CkvuuStdioFile file(m_dir.File("in").c_str(), CFile::modeRead);
    const std::wstring text = ReadAll(file);
    ASSERT_EQ(text.size(), 256u);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(text[b], Windows1252Reference(static_cast<unsigned char>(b))) << b;
    EXPECT_EQ(CopyThrough(m_dir.File("in"), m_dir.File("out")), all);
}

TEST_F(StdioFileTest, WritesWhatAnEncodingCannotHoldAsAgreed)
{
    struct Case {
        Enc encoding;
        BOOL bMark;
        std::wstring text;
        Bytes bytes;
    };
    const Case cases[] = {
        {F::encodingWindows1252, FALSE, L"\u20AC\u0081\u00FF\u0178", "\x80\x81\xFF\x9F"},
        {F::encodingWindows1252, TRUE, Units({0x80, 0x4E2D, 0x1F600, 0xD800, 'a'}),
         "&#128;&#20013;&#128512;&#65533;a"},
        {F::encodingUtf8, FALSE, Units({0xD800, 0x110041, 0x110100, 0x10FFFF}),
         "\xEF\xBF\xBD\x41\xEF\xBF\xBD\xF4\x8F\xBF\xBF"},
        {F::encodingUtf8, TRUE, L"", "\xEF\xBB\xBF"},
        {F::encodingUtf16LE, TRUE, Units({0x1F600, 0xDC00, 0x110041}),
         Bytes("\xFF\xFE\x3D\xD8\x00\xDE\x00\xDC\x41", 9)},
        {F::encodingUtf16BE, FALSE, Units({0xD800, 'A', 0x110000, 0x110100}),
         Bytes("\xD8\x00\x00\x41\x00\xFF\xFD", 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(WriteText(m_dir.File("out"), c.encoding, c.bMark, c.text), c.bytes);
    }
    CkvuuStdioFile fresh(m_dir.File("default").c_str(), CFile::modeCreate | CFile::modeWrite);
    fresh.Write(L"\u00E9", 1);
    EXPECT_EQ(fresh.GetLength(), 2u); // still buffered
    fresh.Close();
    EXPECT_EQ(ReadBytes(m_dir.File("default")), "\xC3\xA9");
}

// Files several buffers long: read in chunk sizes that do and don't divide
// the buffer, sought to in every direction, and copied.
TEST_F(StdioFileTest, LargeFilesReadSeekAndRoundTripInEveryEncoding)
{
    const std::pair<Enc, BOOL> kinds[] = {{F::encodingUtf8, FALSE},    {F::encodingUtf8, TRUE},
                                          {F::encodingUtf16LE, TRUE},  {F::encodingUtf16BE, TRUE},
                                          {F::encodingWindows1252, FALSE}};
    for (const auto& [encoding, bMark] : kinds) {
        SCOPED_TRACE(::testing::Message() << encoding << " mark " << bMark);
        const std::wstring text = LargeText(encoding, 150000);
        const auto n = static_cast<LONGLONG>(text.size());
        const Bytes bytes = WriteText(m_dir.File("big"), encoding, bMark, text);
        ASSERT_GT(bytes.size(), 2u * 65536);
        if (encoding == F::encodingUtf8 && !bMark) {
            EXPECT_TRUE(bytes == WideToUtf8(text.data(), text.size()));
        }
        for (UINT chunk : {7u, 1024u, 65536u}) {
            CkvuuStdioFile file(m_dir.File("big").c_str(), CFile::modeRead);
            EXPECT_EQ(file.GetEncoding(), encoding);
            EXPECT_TRUE(ReadAll(file, chunk) == text) << "chunk " << chunk;
        }
        EXPECT_TRUE(CopyThrough(m_dir.File("big"), m_dir.File("copy")) == bytes);

        CkvuuStdioFile file(m_dir.File("big").c_str(), CFile::modeRead | CFile::shareDenyNone);
        const struct {
            LONGLONG offset;
            UINT from;
            LONGLONG expected; // each seek is followed by a read of up to 16 units
        } seeks[] = {{5, CFile::begin, 5},         {1024, CFile::begin, 1024},      {1023, CFile::begin, 1023},
                     {70001, CFile::begin, 70001}, {70001, CFile::begin, 70001},    {-3, CFile::current, 70014},
                     {0, CFile::current, 70030},   {60000, CFile::current, 130046}, {n - 1, CFile::begin, n - 1},
                     {0, CFile::begin, 0},         {n + 10, CFile::begin, n},       {-9, CFile::end, n - 9},
                     {2, CFile::current, n}};
        for (const auto& seek : seeks) {
            ASSERT_EQ(file.Seek(seek.offset, seek.from), seek.expected) << seek.offset;
            wchar_t buffer[16];
            EXPECT_TRUE(std::wstring(buffer, file.Read(buffer, 16)) == text.substr(seek.expected, 16)) << seek.offset;
        }
        EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
    }
}

// A decoder that doesn't wait for the rest of a sequence passes everything
// else unless a sequence is cut exactly by the edge of the buffer.
TEST_F(StdioFileTest, SequencesCutByTheBufferEdgeDecodeWhole)
{
    for (Enc encoding : {F::encodingUtf8, F::encodingUtf16LE, F::encodingUtf16BE}) {
        const bool bUtf8 = encoding == F::encodingUtf8;
        const size_t nUnitsToEdge = bUtf8 ? 65536 : 32767; // UTF-16 files carry a 2-byte mark
        for (size_t nPad = nUnitsToEdge - 4; nPad <= nUnitsToEdge; ++nPad) {
            const std::wstring text = std::wstring(nPad, L'a') + L"\U0001F600\u20AC";
            WriteText(m_dir.File("edge"), encoding, !bUtf8, text);
            CkvuuStdioFile file(m_dir.File("edge").c_str(), CFile::modeRead);
            EXPECT_TRUE(ReadAll(file) == text) << encoding << " pad " << nPad;
        }
    }
}

TEST_F(StdioFileTest, ReadFillsWholeChunksAcrossThe1024UnitMark)
{
    for (size_t nUnits : {1023u, 1024u, 1025u}) {
        WriteText(m_dir.File("in"), F::encodingUtf8, FALSE, std::wstring(nUnits, L'\u00E9'));
        CkvuuStdioFile file(m_dir.File("in").c_str(), CFile::modeRead);
        wchar_t buffer[1024];
        EXPECT_EQ(file.Read(buffer, 1024), std::min<size_t>(nUnits, 1024)) << nUnits;
        EXPECT_EQ(file.Read(buffer, 1024), nUnits - std::min<size_t>(nUnits, 1024)) << nUnits;
        EXPECT_EQ(file.Read(buffer, 1024), 0u) << nUnits;
    }
}

TEST_F(StdioFileTest, OpeningWhatCannotBeOpenedThrowsWithCauseAndName)
{
    const std::wstring folder = Utf8ToWide(m_dir.path.c_str());
    const std::wstring locked = m_dir.File("locked.htm");
    WriteBytes(locked, "x");
    ::chmod(WideToUtf8(locked.c_str()).c_str(), 0);
    const UINT toRead = CFile::modeRead, toWrite = CFile::modeCreate | CFile::modeWrite;
    const std::tuple<std::wstring, UINT, int> cases[] = {
        {m_dir.File("missing.htm"), toRead, CFileException::fileNotFound},
        {m_dir.File("no/such/folder.htm"), toWrite, CFileException::fileNotFound},
        {folder, toRead, CFileException::invalidFile},
        {folder, toWrite, CFileException::invalidFile},
        {locked, toRead, ::geteuid() == 0 ? -1 : CFileException::accessDenied}, // root reads anything
    };
    for (const auto& [path, flags, cause] : cases) {
        if (cause < 0) continue;
        try {
            CkvuuStdioFile file(path.c_str(), flags);
            ADD_FAILURE() << "opened " << path;
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, cause) << path;
            EXPECT_EQ(e.m_strFileName, path.c_str());
        }
    }
}

TEST_F(StdioFileTest, FaultHooksAndFullDisksSurfaceAsExceptions)
{
    WriteBytes(m_dir.File("in"), "abc");
    CkvuuStdioFile source(m_dir.File("in").c_str(), CFile::modeRead);
    wchar_t buffer[2];
    htmlfile_testing::FailNthRead(2);
    EXPECT_EQ(source.Read(buffer, 2), 2u);
    EXPECT_THROW(source.Read(buffer, 2), CFileException);
    EXPECT_EQ(source.Read(buffer, 2), 1u);

    {
        CkvuuStdioFile dest(m_dir.File("out").c_str(), CFile::modeCreate | CFile::modeWrite);
        htmlfile_testing::FailNthWrite(2);
        dest.Write(L"ab", 2);
        EXPECT_THROW(dest.Write(L"cd", 2), CFileException);
        EXPECT_THROW(dest.Read(buffer, 1), CFileException); // not open to read
        EXPECT_THROW(dest.SetEncoding(F::encodingUtf16LE, TRUE), std::logic_error);
        // The failure sticks: a writer that swallowed it can't make the
        // file look complete.
        EXPECT_THROW(dest.Write(L"ef", 2), CFileException);
        EXPECT_THROW(dest.Flush(), CFileException);
        EXPECT_THROW(dest.Close(), CFileException);
        EXPECT_FALSE(dest.IsOpen());
    }

    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    CkvuuStdioFile full(L"/dev/full", CFile::modeCreate | CFile::modeWrite);
    full.Write(L"text", 4);
    try {
        full.Close();
        ADD_FAILURE() << "Close reported no error";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
    EXPECT_NO_THROW({
        CkvuuStdioFile dropped(L"/dev/full", CFile::modeCreate | CFile::modeWrite);
        dropped.Write(L"text", 4);
    });
}

// Real topics in every encoding the corpus has: the detected encoding
// matches the corpus's own classification and every byte survives.
TEST_F(StdioFileTest, CorpusFilesRoundTrip)
{
    const fs::path corpus = fs::path(HTMLFILE_SHARED_DIR) / "corpus";
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    if (!manifest) GTEST_SKIP() << "corpus not found";
    const std::map<std::string, std::pair<Enc, BOOL>> byClass = {
        {"ascii", {F::encodingUtf8, FALSE}},         {"utf-8", {F::encodingUtf8, FALSE}},
        {"utf-8-bom", {F::encodingUtf8, TRUE}},      {"utf-16le-bom", {F::encodingUtf16LE, TRUE}},
        {"utf-16be-bom", {F::encodingUtf16BE, TRUE}}, {"windows-1252", {F::encodingWindows1252, FALSE}},
        {"other-8bit", {F::encodingWindows1252, FALSE}}};
    std::string line;
    std::getline(manifest, line); // header
    int nFiles = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields; // file name first, encoding class sixth
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        ASSERT_GT(fields.size(), 5u);
        const auto [expected, bMark] = byClass.at(fields[5]);
        const std::wstring path = Utf8ToWide((corpus / fields[0]).c_str());
        SCOPED_TRACE(fields[0]);
        {
            CkvuuStdioFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
            EXPECT_EQ(file.GetEncoding(), expected);
            EXPECT_EQ(file.HasByteOrderMark(), bMark);
        }
        ASSERT_TRUE(CopyThrough(path, m_dir.File("copy")) == ReadBytes(path));
        ++nFiles;
    }
    EXPECT_GT(nFiles, 1000);
}

} // namespace
