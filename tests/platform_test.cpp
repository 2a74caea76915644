// The stand-ins for the string, list, map, file and prompt pieces the
// document interface is built on.
#include <support/GenerateText.h>

#include <htmlfile/htmlfile.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <vector>

TEST(CStringTest, FormatHasWideStringMeaning)
{
    struct Case {
        std::wstring expected;
        CString actual;
    };
    auto format = [](const wchar_t* fmt, auto... args) {
        CString s;
        s.Format(fmt, args...);
        return s;
    };
    const Case cases[] = {
        {L"a=\"x y\"", format(L"%s=\"%s\"", L"a", L"x y")},
        {L"#0080ff", format(L"#%02x%02x%02x", 0x00u, 0x80u, 0xFFu)},
        {L"-1|  42|42  |007", format(L"%d|%4d|%-4d|%03d", -1, 42, 42, 7)},
        {L"100%", format(L"%d%%", 100)},
        {L"\u00e9|ab|(null)", format(L"%c|%.2s|%s", L'\u00e9', L"abc", static_cast<const wchar_t*>(nullptr))},
        {L"ffffffff|4294967296", format(L"%x|%lld", 0xFFFFFFFFu, 4294967296LL)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.actual.str());
}

TEST(CStringTest, SlicingSearchingAndCase)
{
    CString s(L"Hello, World");
    EXPECT_EQ(L"Hello", s.Left(5).str());
    EXPECT_EQ(L"World", s.Mid(7).str());
    EXPECT_EQ(L"lo", s.Mid(3, 2).str());
    EXPECT_EQ(L"ld", s.Right(2).str());
    EXPECT_EQ(L"", s.Mid(99).str());
    EXPECT_EQ(4, s.Find(L'o'));
    EXPECT_EQ(8, s.Find(L'o', 5));
    EXPECT_EQ(7, s.Find(L"World"));
    EXPECT_EQ(-1, s.Find(L"world"));
    EXPECT_EQ(0, s.CompareNoCase(L"HELLO, world"));
    EXPECT_LT(s.CompareNoCase(L"hellp"), 0);
    EXPECT_EQ(L"hello, world", CString(s).MakeLower().str());
    EXPECT_EQ(L"\u00e9\u0444", CString(L"\u00c9\u0424").MakeLower().str());
    EXPECT_EQ(3, CString(L"a\U0001F600").Utf16Length());
    EXPECT_TRUE(CString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
    CString text;
    EXPECT_TRUE(text.LoadString(IDS_NEW_TOPIC));
    EXPECT_EQ(L"New Topic", text.str());
    EXPECT_FALSE(text.LoadString(1));
}

TEST(CListTest, PositionsSurviveInsertsAndRemovals)
{
    CList<int, int> list(2); // small blocks: nodes are recycled across blocks
    POSITION two = list.AddTail(2);
    list.AddHead(1);
    POSITION four = list.AddTail(4);
    list.InsertAfter(two, 3);
    list.InsertBefore(list.GetHeadPosition(), 0);
    auto values = [&] {
        std::vector<int> v;
        for (POSITION pos = list.GetHeadPosition(); pos;) v.push_back(list.GetNext(pos));
        return v;
    };
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), values());
    list.RemoveAt(two);
    EXPECT_EQ(4, list.GetAt(four));
    EXPECT_EQ(0, list.RemoveHead());
    EXPECT_EQ(4, list.RemoveTail());
    EXPECT_EQ((std::vector<int>{1, 3}), values());
    EXPECT_EQ(nullptr, list.Find(2));
    EXPECT_EQ(3, list.GetAt(list.Find(3)));
    for (int i = 0; i < 100; ++i) list.AddTail(i);
    EXPECT_EQ(102, list.GetCount());
    POSITION back = list.GetTailPosition();
    EXPECT_EQ(99, list.GetPrev(back));
    EXPECT_EQ(98, list.GetAt(back));
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
}

TEST(CMapStringToStringTest, EnumeratesByBucketThenNewestFirst)
{
    // Bucket = (hash * 33 + unit ...) % 17 over UTF-16 units. "a" (97) and
    // "r" (114) both fall in bucket 12; "b" (98) in 13; "\U0001F600" hashes
    // its two surrogates.
    auto bucket = [](const std::wstring& key) { return CMapStringToString::HashKey(key.c_str()) % 17; };
    ASSERT_EQ(bucket(L"a"), bucket(L"r"));
    EXPECT_EQ((0xD83Du * 33 + 0xDE00u), CMapStringToString::HashKey(L"\U0001F600"));

    CMapStringToString map;
    map.SetAt(L"a", L"1");
    map.SetAt(L"b", L"2");
    map.SetAt(L"r", L"3");
    map.SetAt(L"a", L"4"); // replacing keeps the position
    map.SetAt(L"A", L"5"); // keys are case-sensitive
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        entries.emplace_back(key.str(), value.str());
    }
    std::vector<std::pair<std::wstring, std::wstring>> expected = {{L"r", L"3"}, {L"a", L"4"}, {L"b", L"2"}};
    expected.insert(bucket(L"A") < 12 ? expected.begin() : expected.end(), {L"A", L"5"});
    EXPECT_EQ(expected, entries);
    CString value;
    EXPECT_FALSE(map.Lookup(L"B", value));
    EXPECT_TRUE(map.Lookup(L"A", value));
    EXPECT_EQ(L"5", value.str());
}

TEST(TempFileTest, NamesAreNewFilesWithThePrefix)
{
    TempDir dir;
    std::wstring folder = Utf8ToWide(dir.Path().c_str());
    std::vector<std::wstring> names;
    for (int i = 0; i < 20; ++i) {
        wchar_t name[MAX_PATH];
        ASSERT_NE(0u, GetTempFileNameW(folder.c_str(), L"QLX", 0, name));
        names.emplace_back(name);
        EXPECT_TRUE(std::regex_match(WideToUtf8(name), std::regex(".*/QLX[0-9A-F]{4}\\.tmp")));
        EXPECT_EQ("", ReadFileBytes(WideToUtf8(name)));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.end(), std::unique(names.begin(), names.end()));
    wchar_t name[MAX_PATH];
    EXPECT_EQ(0u, GetTempFileNameW((folder + L"/missing").c_str(), L"QL", 0, name));

    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/some/where", 1);
    wchar_t path[MAX_PATH];
    EXPECT_EQ(12u, GetTempPathW(MAX_PATH, path));
    EXPECT_STREQ(L"/some/where/", path);
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

TEST(CFileTest, StatusRemoveRenameAndErrors)
{
    TempDir dir;
    WriteFileBytes(dir.File("a"), "12345");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(dir.WideFile("a").c_str(), status));
    EXPECT_EQ(5u, status.m_size);
    EXPECT_GT(status.m_mtime, 0);
    EXPECT_FALSE(CFile::GetStatus(dir.WideFile("none").c_str(), status));

    CFile::Rename(dir.WideFile("a").c_str(), dir.WideFile("b").c_str());
    EXPECT_EQ("12345", ReadFileBytes(dir.File("b")));
    CFile::Remove(dir.WideFile("b").c_str());
    try {
        CFile::Remove(dir.WideFile("b").c_str());
        ADD_FAILURE() << "removing a missing file must throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(dir.WideFile("b"), e.m_strFileName.str());
    }
    EXPECT_THROW(CFile(dir.WideFile("none").c_str(), CFile::modeRead), CFileException);
    EXPECT_THROW(CFile(Utf8ToWide(dir.Path().c_str()).c_str(), CFile::modeRead), CFileException);
}

TEST(PromptTest, WithoutAHandlerTheAnswerIsNo)
{
    EXPECT_EQ(IDNO, AfxMessageBox(L"overwrite?", MB_YESNO));
    SetPromptHandler([](const wchar_t* text, UINT type) { return std::wstring(text) == L"q" && type == MB_YESNO ? IDYES : IDCANCEL; });
    EXPECT_EQ(IDYES, AfxMessageBox(L"q", MB_YESNO));
    SetPromptHandler(nullptr);
    EXPECT_EQ(IDNO, AfxMessageBox(L"q", MB_YESNO));
}
