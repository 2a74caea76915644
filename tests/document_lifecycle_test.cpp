// Opening, templates, lazy re-reading and closing of documents.
#include <support/TopicFile.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

bool Exists(const std::wstring& path)
{
    struct stat st;
    return ::stat(Narrow(path).c_str(), &st) == 0;
}

class TempFolderScope {
public:
    explicit TempFolderScope(const std::string& dir)
    {
        const char* old = std::getenv("TMPDIR");
        if (old) m_old = old, m_hadOld = true;
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TempFolderScope()
    {
        if (m_hadOld) ::setenv("TMPDIR", m_old.c_str(), 1);
        else ::unsetenv("TMPDIR");
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

} // namespace

TEST(DocumentLifecycle, StandardTemplateRecordsItsElementsAndRemovesItsFileWhenDestroyed)
{
    TempDir dir;
    TempFolderScope tmp(dir.Path());
    std::wstring path;
    {
        CHtmlFile doc;
        ASSERT_TRUE(doc.IsValid());
        path = doc.GetFileName();
        EXPECT_EQ(0u, path.find(Utf8ToWide(dir.Path().c_str()) + L"/QL"));
        EXPECT_EQ(L".tmp", path.substr(path.size() - 4));
        EXPECT_STREQ(L"Title", doc.GetTitle());
        EXPECT_STREQ(L"default.css", doc.GetStyleSheet());
        EXPECT_EQ(NO_COLOR, doc.GetBgColor());
        EXPECT_TRUE(doc.SetBgColor(0x00FFFFFF)); // a body tag is recorded
        EXPECT_TRUE(Exists(path));
    }
    EXPECT_FALSE(Exists(path));
}

TEST(DocumentLifecycle, EachTemplateWritesItsText)
{
    TempDir dir;
    TempFolderScope tmp(dir.Path());
    const std::string head = "<html>\r\n\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                             "charset=utf-8\">\r\n<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n";
    struct Case {
        int nBare, nWithTitle;
        std::string expected;
    } cases[] = {
        {1, 0, head + "</head>\r\n<body>\r\n</body>\r\n</html>\r\n"},
        {1, 1, head + "<title>Title</title>\r\n</head>\r\n<body>\r\n</body>\r\n</html>\r\n"},
    };
    for (const Case& c : cases) {
        CHtmlFile doc(c.nBare, c.nWithTitle);
        EXPECT_EQ(c.expected, ReadFileBytes(Narrow(doc.GetFileName()))) << c.nBare << c.nWithTitle;
        EXPECT_EQ(c.nWithTitle ? std::wstring(L"Title") : std::wstring(), doc.GetTitle() ? doc.GetTitle() : L"");
    }
}

TEST(DocumentLifecycle, TemplatePlaceholderIsReplacedByTheTitleOnSave)
{
    TempDir dir;
    TempFolderScope tmp(dir.Path());
    CHtmlFile doc;
    doc.SetTitle(L"Fish & Chips");
    std::string saved = SaveAsBytes(doc, dir, "new.htm");
    EXPECT_NE(std::string::npos, saved.find("<title>Fish &amp; Chips</title>\r\n"));
    EXPECT_NE(std::string::npos, saved.find("<h1>Fish & Chips</h1>\r\n"));
    EXPECT_STREQ(dir.WideFile("new.htm").c_str(), doc.GetFileName());
    // Saved under a name, the document is no longer temporary.
    std::wstring saved_path = doc.GetFileName();
    { CHtmlFile moved(saved_path.c_str(), PARSE_ALL); }
    EXPECT_TRUE(Exists(saved_path));
}

TEST(DocumentLifecycle, FlagsZeroStillRecordsMapsSoundAndValidity)
{
    TempDir dir;
    auto path = WriteTopic(dir, "a.htm",
                           "<html><title>T</title><body><map name=m><area href=x.htm></map>"
                           "<bgsound src=s.wav></body></html>");
    CHtmlFile doc(path.c_str(), 0);
    EXPECT_TRUE(doc.IsValid());
    EXPECT_EQ(nullptr, doc.GetTitle());
    EXPECT_EQ(nullptr, doc.GetStyleSheet());
    EXPECT_EQ(0, doc.GetNumMaps());
    EXPECT_FALSE(doc.SetTitle(L"x"));
    // Maps and the sound are rewritten even though they are not offered.
    EXPECT_EQ("<html><title>T</title><body><MAP NAME=\"m\">\r\n<AREA HREF=\"x.htm\">\r\n</MAP>"
              "<BGSOUND SRC=\"s.wav\"></body></html>",
              SaveAsBytes(doc, dir, "b.htm"));
}

TEST(DocumentLifecycle, ValidityNeedsAnHtmlStartTagAndStaysOnce)
{
    TempDir dir;
    auto path = WriteTopic(dir, "a.htm", "<head><title>x</title></head>");
    CHtmlFile noHtml(path.c_str(), PARSE_ALL);
    EXPECT_FALSE(noHtml.IsValid());

    auto path2 = WriteTopic(dir, "b.htm", "<HTML lang=en><title>x</title></HTML>");
    CHtmlFile doc(path2.c_str(), PARSE_ALL);
    EXPECT_TRUE(doc.IsValid());
    WriteFileBytes(dir.File("b.htm"), "<title>y</title>");
    ShiftModificationTime(path2, 5);
    EXPECT_STREQ(L"y", doc.GetTitle());
    EXPECT_TRUE(doc.IsValid());
}

TEST(DocumentLifecycle, ReparsesOnlyWhenTheModificationTimeChanges)
{
    TempDir dir;
    auto path = WriteTopic(dir, "a.htm", "<title>One</title>");
    CHtmlFile doc(path.c_str(), PARSE_TITLE);
    ASSERT_STREQ(L"One", doc.GetTitle());
    doc.SetTitle(L"Edited");

    // Same modification time: the edit stands, the new text is not read.
    long mtime = ModificationTime(path);
    WriteFileBytes(dir.File("a.htm"), "<title>Two</title>");
    SetModificationTime(path, mtime);
    EXPECT_STREQ(L"Edited", doc.GetTitle());

    ShiftModificationTime(path, 7);
    EXPECT_STREQ(L"Two", doc.GetTitle());
}

TEST(DocumentLifecycle, MissingFileGivesAnEmptyDocumentThatKeepsTrying)
{
    TempDir dir;
    std::wstring path = dir.WideFile("later.htm");
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    EXPECT_FALSE(doc.IsValid());
    EXPECT_EQ(nullptr, doc.GetTitle());
    EXPECT_EQ(nullptr, doc.GetMapHeadPosition());
    EXPECT_EQ(NO_COLOR, doc.GetBgColor());
    EXPECT_FALSE(doc.SaveFile());

    WriteTopic(dir, "later.htm", "<html><title>Now</title></html>");
    EXPECT_STREQ(L"Now", doc.GetTitle());
    EXPECT_TRUE(doc.IsValid());
}

TEST(DocumentLifecycle, ReadsEveryEncodingWithTheSameRecords)
{
    TempDir dir;
    const std::string utf8 = "<html><title>Caf\xC3\xA9 \xE2\x82\xAC</title><body bgcolor=\"red\"></body></html>";
    std::string utf16le = "\xFF\xFE";
    for (wchar_t c : Utf8ToWide(utf8.c_str())) {
        utf16le += static_cast<char>(c & 0xFF);
        utf16le += static_cast<char>((c >> 8) & 0xFF);
    }
    std::string cp1252 = "<html><title>Caf\xE9 \x80</title><body bgcolor=\"red\"></body></html>";
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, utf16le, cp1252}) {
        auto path = WriteTopic(dir, "t.htm", bytes);
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        EXPECT_STREQ(L"Caf\u00E9 \u20AC", doc.GetTitle());
        EXPECT_EQ(0x000000FFu, doc.GetBgColor());
        // Unchanged text keeps its exact bytes in the file's own encoding.
        EXPECT_EQ(bytes, SaveAsBytes(doc, dir, "copy.htm"));
    }
}
