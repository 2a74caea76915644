// The text file class: detection, decoding and encoding, buffer edges, seeks, failures.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace {

using F = CkvuuStdioFile;
using Enc = F::Encoding;

// Arbitrary values as this platform's units: where wchar_t has 16 bits, one
// above U+FFFF is a surrogate pair.
std::wstring Units(std::initializer_list<unsigned> values)
{
    std::wstring units;
    for (unsigned v : values)
        units += sizeof(wchar_t) == 2 && v > 0xFFFF
                     ? std::wstring{static_cast<wchar_t>(0xD7C0 + (v >> 10)), static_cast<wchar_t>(0xDC00 + (v & 0x3FF))}
                     : std::wstring(1, static_cast<wchar_t>(v));
    return units;
}

std::wstring ReadAll(const std::wstring& path, UINT nChunk = 1024)
{
    CkvuuStdioFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    std::wstring text;
    std::vector<wchar_t> buffer(nChunk);
    while (UINT n = file.Read(buffer.data(), nChunk, nullptr)) {
        text.append(buffer.data(), n);
        if (n < nChunk) { EXPECT_EQ(file.Read(buffer.data(), nChunk), 0u) << "short read before the end"; }
    }
    return text;
}

// Written in two pieces, cut at nCut units.
std::string WriteText(const std::wstring& path, Enc encoding, BOOL bMark, const std::wstring& text, size_t nCut = 0)
{
    CkvuuStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.SetEncoding(encoding, bMark);
    file.Write(text.data(), static_cast<UINT>(nCut));
    file.Write(text.data() + nCut, static_cast<UINT>(text.size() - nCut));
    file.Close();
    return ReadBytes(WideToUtf8(path.c_str()));
}

// Copies a file in its encoding as a save does: the raw bytes of 1 to 7 units
// at a time, so every sequence boundary is crossed, or decoded and encoded.
std::string CopyThrough(const std::wstring& from, const std::wstring& to, bool bRaw = true)
{
    CkvuuStdioFile source(from.c_str(), CFile::modeRead | CFile::shareDenyNone);
    CkvuuStdioFile dest(to.c_str(), CFile::modeCreate | CFile::modeWrite);
    dest.TakeEncodingFrom(source);
    std::string bytes;
    wchar_t buffer[1024];
    for (UINT nAsk = 1; bRaw; nAsk = nAsk % 7 + 1) {
        bytes.clear();
        const UINT n = source.ReadRaw(nAsk, bytes);
        dest.WriteRaw(bytes.data(), bytes.size());
        if (n < nAsk) break;
    }
    while (UINT n = bRaw ? 0 : source.Read(buffer, 1024)) dest.Write(buffer, n);
    dest.Close();
    return ReadBytes(WideToUtf8(to.c_str()));
}

class StdioFileTest : public ::testing::Test {
protected:
    void TearDown() override { htmlfile_testing::ResetFaults(); }
    std::wstring File(const char* pszName) const { return m_dir.WideFile(pszName); }
    TempDir m_dir;
};

TEST_F(StdioFileTest, EachEncodingDecodesAndWritesBackUnchanged)
{
    const struct {
        std::string bytes;
        Enc encoding;
        BOOL bMark;
        std::optional<std::wstring> text;
    } cases[] = {
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n", F::encodingUtf8, FALSE, L"a\u00E9\u20AC\U0001F600\r\n"},
        {"\xEF\xBB\xBFx\xC3\xA9\xF0\x9D\x84\x9E", F::encodingUtf8, TRUE, L"x\u00E9\U0001D11E"},
        {std::string("\xFF\xFE" "A\0" "\x3D\xD8\x00\xDE" "\x00\xD8" "A\0" "\x00\xDC" "Z", 15), F::encodingUtf16LE, TRUE,
         Units({'A', 0x1F600, 0xD800, 'A', 0xDC00, 0xFFFD})}, // lone surrogates, an odd last byte
        {std::string("\xFE\xFF" "\0A" "\xD8\x3D\xDE\x00" "\xDC\x00" "\xD8\x00", 12), F::encodingUtf16BE, TRUE,
         Units({'A', 0x1F600, 0xDC00, 0xD800})},
        {"", F::encodingUtf8, FALSE, L""},
        {"\xEF\xBB\xBF", F::encodingUtf8, TRUE, L""},
        {"\xFF\xFE", F::encodingUtf16LE, TRUE, L""},
        {"\xFE\xFF", F::encodingUtf16BE, TRUE, L""},
        {"caf\xE9 \x80\x9D\r\n", F::encodingWindows1252, FALSE, L"caf\u00E9 \u20AC\u009D\r\n"},
        {"a\xC0\xAF", F::encodingWindows1252, FALSE, L"a\u00C0\u00AF"}, // overlong
        {"\xED\xA0\x80", F::encodingWindows1252, FALSE, {}},            // a surrogate in UTF-8
        {"\xF4\x90\x80\x80", F::encodingWindows1252, FALSE, {}},        // above U+10FFFF
        {"ok\xE2\x82", F::encodingWindows1252, FALSE, L"ok\u00E2\u201A"}, // cut at the end
        {"\xEF\xBB", F::encodingWindows1252, FALSE, {}},                 // a cut mark
        {"\xEF\xBB\xBF\xFF\xE2\x82\xC3", F::encodingUtf8, TRUE, Units({0xDC80 + 0xFF, 0xDC80 + 0xE2, 0xDC80 + 0x82, 0xDC80 + 0xC3})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        WriteBytes(m_dir.File("in"), c.bytes);
        {
            CkvuuStdioFile file(File("in").c_str(), CFile::modeRead | CFile::shareDenyNone);
            EXPECT_EQ(file.GetEncoding(), c.encoding);
            EXPECT_EQ(file.HasByteOrderMark(), c.bMark);
            EXPECT_EQ(file.GetLength(), c.bytes.size());
            std::string raw;
            if (c.text) { EXPECT_EQ(file.ReadRaw(1000, raw), c.text->size()); }
            if (c.text) { EXPECT_EQ(raw, c.bytes.substr(c.bMark ? 2 + (c.encoding == F::encodingUtf8) : 0)); }
        }
        if (c.text) {
            // Whole, a unit per read, and from every position, the middle of
            // a pair included.
            EXPECT_EQ(ReadAll(File("in"), 3), *c.text);
            EXPECT_EQ(ReadAll(File("in"), 1), *c.text);
            for (size_t at = 0; at <= c.text->size(); ++at) {
                CkvuuStdioFile file(File("in").c_str(), CFile::modeRead | CFile::shareDenyNone);
                ASSERT_EQ(file.Seek(static_cast<LONGLONG>(at), CFile::begin), static_cast<LONGLONG>(at));
                wchar_t rest[32];
                EXPECT_EQ(std::wstring(rest, file.Read(rest, 32)), c.text->substr(at)) << at;
                EXPECT_EQ(file.Seek(0, CFile::end), static_cast<LONGLONG>(c.text->size()));
            }
        }
        EXPECT_EQ(CopyThrough(File("in"), File("out")), c.bytes);
        // Decoded and encoded again, only an odd last byte of UTF-16 is lost.
        const bool bOdd = c.encoding != F::encodingUtf8 && c.encoding != F::encodingWindows1252 && c.bytes.size() % 2;
        if (!bOdd) { EXPECT_EQ(CopyThrough(File("in"), File("out"), false), c.bytes); }
    }
}

// One unit at a time, a run of rejected bytes comes with its first unit.
TEST_F(StdioFileTest, ReadRawGivesEachUnitItsOwnBytes)
{
    const std::string head = "<meta charset=utf-8>a";
    WriteBytes(m_dir.File("in"), head + "\xE8\x82<b>");
    CkvuuStdioFile file(File("in").c_str(), CFile::modeRead | CFile::shareDenyNone);
    std::vector<std::string> pieces;
    for (std::string bytes; file.ReadRaw(1, bytes) == 1; bytes.clear()) pieces.push_back(bytes);
    std::vector<std::string> expected;
    for (char c : head) expected.emplace_back(1, c);
    expected.insert(expected.end(), {"\xE8\x82", "", "<", "b", ">"});
    EXPECT_EQ(expected, pieces);
}

TEST_F(StdioFileTest, WritesWhatAnEncodingCannotHoldAsAgreed)
{
    const struct {
        Enc encoding;
        BOOL bMark;
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {F::encodingWindows1252, FALSE, L"\u20AC\u0081\u00FF\u0178", "\x80\x81\xFF\x9F"},
        {F::encodingWindows1252, TRUE, Units({0x80, 0x4E2D, 0x1F600, 0xD800, 'a'}), "&#128;&#20013;&#128512;&#65533;a"},
        {F::encodingUtf8, FALSE, Units({0xD800, 'x', 0xDC80 + 'A', 0x10FFFF}), "&#65533;xA\xF4\x8F\xBF\xBF"}, // a raw-byte unit
        {F::encodingUtf8, TRUE, L"", "\xEF\xBB\xBF"},
        {F::encodingUtf16LE, TRUE, Units({0x1F600, 0xDC00, 0xDCC1}), std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xDC\xC1\xDC", 10)},
        {F::encodingUtf16BE, FALSE, Units({0xD800, 'A'}), std::string("\xD8\x00\x00\x41", 4)},
        {htmlfile_text::EncodingId::kGb18030, FALSE, Units({'x', 0x1F600, 'y'}), "x\x94\x39\xFC\x36y"},
    };
    // Cut anywhere between two writes, the middle of a pair included.
    for (const auto& c : cases)
        for (size_t nCut = 0; nCut <= c.text.size(); ++nCut)
            EXPECT_EQ(WriteText(File("out"), c.encoding, c.bMark, c.text, nCut), c.bytes)
                << htmlfile_text::EncodingName(c.encoding) << " cut " << nCut;
    // Units beyond Unicode, which only a 32-bit wchar_t holds, become U+FFFD.
    if constexpr (sizeof(wchar_t) == 4) {
        const std::wstring beyond = {static_cast<wchar_t>(0x110100), static_cast<wchar_t>(0xFFFFFFFF)};
        EXPECT_EQ(WriteText(File("out"), F::encodingUtf8, FALSE, beyond), "&#65533;&#65533;");
        EXPECT_EQ(WriteText(File("out"), F::encodingUtf16BE, FALSE, beyond), "\xFF\xFD\xFF\xFD");
    }
    CkvuuStdioFile fresh(File("default").c_str(), CFile::modeCreate | CFile::modeWrite);
    fresh.Write(L"\u00E9", 1);
    EXPECT_EQ(fresh.GetLength(), 2u); // still buffered
    fresh.Close();
    EXPECT_EQ(ReadBytes(m_dir.File("default")), "\xC3\xA9");
}

// Files several buffers long, read in chunks that do and don't divide the
// buffer, sought to in every direction, and copied.
TEST_F(StdioFileTest, LargeFilesReadSeekAndRoundTripInEveryEncoding)
{
    const std::pair<Enc, BOOL> kinds[] = {{F::encodingUtf8, FALSE}, {F::encodingUtf8, TRUE}, {F::encodingUtf16LE, TRUE},
                                          {F::encodingUtf16BE, TRUE}, {F::encodingWindows1252, FALSE}};
    for (const auto& [encoding, bMark] : kinds) {
        SCOPED_TRACE(::testing::Message() << htmlfile_text::EncodingName(encoding) << " mark " << bMark);
        // "\xE9a" keeps windows-1252 bytes from passing for UTF-8.
        const std::wstring piece =
            encoding == F::encodingWindows1252 ? L"\u00E9a\u20AC\u2122\r\n" : L"\u00E9a\u20AC\U0001F600\r\n";
        std::wstring text;
        for (size_t i = 0; text.size() < 150000; ++i) text += piece + std::wstring(i % 7, L'x');
        const auto n = static_cast<LONGLONG>(text.size());
        const std::string bytes = WriteText(File("big"), encoding, bMark, text);
        ASSERT_GT(bytes.size(), 2u * 65536);
        for (UINT chunk : {7u, 1024u, 65536u}) EXPECT_TRUE(ReadAll(File("big"), chunk) == text) << "chunk " << chunk;
        EXPECT_TRUE(CopyThrough(File("big"), File("copy")) == bytes);

        CkvuuStdioFile file(File("big").c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(file.GetEncoding(), encoding);
        const std::tuple<LONGLONG, UINT, LONGLONG> seeks[] = { // each followed by a read of up to 16 units
            {1023, CFile::begin, 1023}, {70001, CFile::begin, 70001}, {70001, CFile::begin, 70001},
            {-3, CFile::current, 70014}, {60000, CFile::current, 130030}, {0, CFile::begin, 0},
            {n + 10, CFile::begin, n}, {-9, CFile::end, n - 9}, {2, CFile::current, n}};
        for (const auto& [offset, from, expected] : seeks) {
            ASSERT_EQ(file.Seek(offset, from), expected) << offset;
            wchar_t buffer[16];
            EXPECT_TRUE(std::wstring(buffer, file.Read(buffer, 16)) == text.substr(expected, 16)) << offset;
        }
        EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
    }
}

// Sequences cut exactly by the edge of the buffer.
TEST_F(StdioFileTest, SequencesCutByTheBufferEdgeDecodeWhole)
{
    for (Enc encoding : {F::encodingUtf8, F::encodingUtf16LE, F::encodingUtf16BE}) {
        const bool bUtf8 = encoding == F::encodingUtf8;
        const size_t nUnitsToEdge = bUtf8 ? 65536 : 32767; // UTF-16 files carry a 2-byte mark
        for (size_t nPad = nUnitsToEdge - 4; nPad <= nUnitsToEdge; ++nPad) {
            const std::wstring text = std::wstring(nPad, L'a') + L"\U0001F600\u20AC";
            WriteText(File("edge"), encoding, !bUtf8, text);
            EXPECT_TRUE(ReadAll(File("edge")) == text) << htmlfile_text::EncodingName(encoding) << " pad " << nPad;
        }
    }
}

TEST_F(StdioFileTest, FailuresSurfaceAsExceptionsWithCauseAndName)
{
    const std::wstring folder = Utf8ToWide(m_dir.Path().c_str()), locked = File("locked.htm");
    WriteBytes(m_dir.File("locked.htm"), "abc");
    const UINT toRead = CFile::modeRead, toWrite = CFile::modeCreate | CFile::modeWrite;
#ifdef _WIN32
    // Held by another handle that shares nothing.
    CFile holder(locked.c_str(), CFile::modeRead | CFile::shareExclusive);
    const int kLockedCause = CFileException::sharingViolation;
#else
    std::filesystem::permissions(std::filesystem::u8path(m_dir.File("locked.htm")), std::filesystem::perms::none);
    const int kLockedCause = PermissionsApply() ? CFileException::accessDenied : -1; // root reads anything
#endif
    const std::tuple<std::wstring, UINT, int> cases[] = {
        {File("missing.htm"), toRead, CFileException::fileNotFound},
        // Windows tells a missing folder (ERROR_PATH_NOT_FOUND) from a missing file.
        {File("no/such/folder.htm"), toWrite, kWindows ? CFileException::badPath : CFileException::fileNotFound},
        {folder, toRead, CFileException::invalidFile},
        {folder, toWrite, CFileException::invalidFile},
        {locked, toRead, kLockedCause},
    };
    // The cause of the exception the action throws (-1: none), which names the file.
    auto causeOf = [](const std::function<void()>& action, const std::wstring& strName) {
        try {
            action();
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_strFileName, strName.c_str());
            return e.m_cause;
        }
        return -1;
    };
    for (const auto& [path, flags, cause] : cases)
        EXPECT_EQ(cause, cause < 0 ? cause : causeOf([&] { CkvuuStdioFile file(path.c_str(), flags); }, path)) << path;
    const std::wstring missing = File("missing.htm"); // nor can a missing file be removed or renamed
    EXPECT_EQ(CFileException::fileNotFound, causeOf([&] { CFile::Remove(missing.c_str()); }, missing));
    EXPECT_EQ(CFileException::fileNotFound, causeOf([&] { CFile::Rename(missing.c_str(), File("x").c_str()); }, missing));
    {
        CkvuuStdioFile dest(File("out").c_str(), CFile::modeCreate | CFile::modeWrite);
        wchar_t buffer[1];
        EXPECT_THROW(dest.Read(buffer, 1), CFileException); // not open to read
        dest.Write(L"ab", 2);
        EXPECT_THROW(dest.SetEncoding(F::encodingUtf16LE, TRUE), std::logic_error);
        // A failed write sticks, so a writer that swallowed it can't finish the file.
        htmlfile_testing::FailNthWrite(1);
        EXPECT_THROW(dest.WriteRaw("cd", 2), CFileException); // the byte write remembers it too
        EXPECT_THROW(dest.Write(L"ef", 2), CFileException);
        EXPECT_THROW(dest.Flush(), CFileException);
        EXPECT_THROW(dest.Close(), CFileException);
        EXPECT_FALSE(dest.IsOpen());
    }
    // A full disk shows when the file is closed, not when it is dropped
    // (Linux only; elsewhere the failed write above stands for it).
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(CFileException::diskFull, causeOf([] {
                      CkvuuStdioFile full(L"/dev/full", CFile::modeCreate | CFile::modeWrite);
                      full.Write(L"text", 4);
                      full.Close();
                  }, L"/dev/full"));
        EXPECT_NO_THROW(CkvuuStdioFile(L"/dev/full", CFile::modeCreate | CFile::modeWrite).Write(L"text", 4));
    }
}

} // namespace
