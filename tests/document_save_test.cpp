// Saving: what is copied, what is rewritten, where inserted elements land,
// and what every failure leaves behind.
#include <support/TopicFile.h>

#include <gtest/gtest.h>

#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kTopic =
    "<!DOCTYPE html>\r\n"
    "<HTML>\r\n<head>\r\n"
    "<TITLE>A &amp; B</TITLE>\r\n"
    "<link rel=stylesheet href=main.css>\r\n"
    "</head>\r\n"
    "<BODY bgcolor=red text=\"#000000\" topmargin>\r\n"
    "<p>Hi <!-- <title>not</title> --></p>\r\n"
    "</BODY>\r\n</HTML>\r\n";

// kTopic after a save without changes: only the recorded elements differ.
const std::string kTopicSaved =
    "<!DOCTYPE html>\r\n"
    "<HTML>\r\n<head>\r\n"
    "<title>A &amp; B</title>\r\n"
    "<link rel=\"stylesheet\" href=\"main.css\" type=\"text/css\" />\r\n"
    "</head>\r\n"
    "<BODY bgcolor=\"red\" text=\"#000000\">\r\n"
    "<p>Hi <!-- <title>not</title> --></p>\r\n"
    "</BODY>\r\n</HTML>\r\n";

int CountFiles(const std::string& folder)
{
    int count = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) count += e->d_name[0] != '.';
        ::closedir(d);
    }
    return count;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    size_t pos = text.find(from);
    if (pos == std::string::npos) throw std::runtime_error("no " + from);
    return text.replace(pos, from.size(), to);
}

} // namespace

TEST(DocumentSave, UnchangedTopicRewritesOnlyRecordedElementsAndIsStable)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", kTopic);
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    EXPECT_STREQ(L"A & B", doc.GetTitle());
    ASSERT_TRUE(doc.SaveFile());
    EXPECT_EQ(kTopicSaved, ReadFileBytes(dir.File("t.htm")));
    ASSERT_TRUE(doc.SaveFile());
    EXPECT_EQ(kTopicSaved, ReadFileBytes(dir.File("t.htm")));
}

TEST(DocumentSave, EachSetterChangesOnlyItsElement)
{
    struct Case {
        const char* name;
        std::function<BOOL(CHtmlFile&)> edit;
        std::string expected;
    };
    const Case cases[] = {
        {"title", [](CHtmlFile& d) { return d.SetTitle(L"R&D <new>"); },
         Replace(kTopicSaved, "<title>A &amp; B</title>", "<title>R&amp;D <new></title>")},
        {"style sheet", [](CHtmlFile& d) { return d.SetStyleSheet(L"css/other.css"); },
         Replace(kTopicSaved, "main.css", "css/other.css")},
        {"no style sheet", [](CHtmlFile& d) { return d.SetStyleSheet(nullptr); },
         Replace(kTopicSaved, "<link rel=\"stylesheet\" href=\"main.css\" type=\"text/css\" />", "")},
        {"bgcolor", [](CHtmlFile& d) { return d.SetBgColor(0x00FF8000); },
         Replace(kTopicSaved, "bgcolor=\"red\"", "bgcolor=\"#0080ff\"")},
        {"text removed", [](CHtmlFile& d) { return d.SetTextColor(NO_COLOR); },
         Replace(kTopicSaved, " text=\"#000000\"", "")},
        {"link added", [](CHtmlFile& d) { return d.SetLinkColor(0x000000FF); },
         Replace(kTopicSaved, "text=\"#000000\">", "text=\"#000000\" link=\"#ff0000\">")},
        {"watermark", [](CHtmlFile& d) { return d.SetWaterMark(TRUE); },
         Replace(kTopicSaved, "text=\"#000000\">", "text=\"#000000\" bgproperties=\"fixed\">")},
        {"background sound", [](CHtmlFile& d) { return d.SetBgSound(L"snd/chime.wav", -1); },
         Replace(kTopicSaved, "<BODY", "<BGSOUND SRC=\"snd/chime.wav\" LOOP=\"-1\">\r\n<BODY")},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto path = WriteTopic(dir, "t.htm", kTopic);
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        EXPECT_TRUE(c.edit(doc)) << c.name;
        ASSERT_TRUE(doc.SaveFile()) << c.name;
        EXPECT_EQ(c.expected, ReadFileBytes(dir.File("t.htm"))) << c.name;
    }
}

TEST(DocumentSave, NewStyleLinkGoesBeforeTheTitle)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", "<html><head>\n  <title>T</title>\n</head><body></body></html>");
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    EXPECT_EQ(std::wstring(), doc.GetStyleSheet());
    ASSERT_TRUE(doc.SetStyleSheet(L"s.css"));
    ASSERT_TRUE(doc.SetStyleSheet(L"t.css")); // a second call does not insert twice
    EXPECT_EQ("<html><head>\n  <link rel=\"stylesheet\" href=\"t.css\" type=\"text/css\" />\r\n<title>T</title>\n"
              "</head><body></body></html>",
              SaveAsBytes(doc, dir, "out.htm"));
    EXPECT_STREQ(L"t.css", doc.GetStyleSheet());
}

TEST(DocumentSave, InsertedElementsLandBeforeTheLastRecordedElement)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", "<html><body>\n<p>x</p>\n</body></html>");
    // Without frame pages the body end tag is recorded, and it is last.
    CHtmlFile doc(path.c_str(), PARSE_ALL & ~PARSE_FRAMESETS);
    ASSERT_TRUE(doc.InsertMap(new CHTMLMap(L"nav")));
    auto* pObject = new CHTMLObjectTag();
    pObject->SetAttribute(L"id", L"o1");
    ASSERT_TRUE(doc.InsertObjectTag(pObject));
    EXPECT_EQ("<html><body>\n<p>x</p>\n<MAP NAME=\"nav\">\r\n</MAP>\r\n<OBJECT id=\"o1\">\r\n</OBJECT>\r\n</body></html>",
              SaveAsBytes(doc, dir, "out.htm"));
    // Read back, the inserted elements are ordinary recorded ones.
    EXPECT_NE(nullptr, doc.FindMap(L"nav"));
    EXPECT_NE(nullptr, doc.FindObjectTagById(L"O1"));
}

TEST(DocumentSave, InsertIntoEmptyObjectListAppendsAfterTheOldText)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", "plain text, no markup");
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    ASSERT_TRUE(doc.InsertMap(new CHTMLMap(L"m")));
    EXPECT_EQ("plain text, no markup<MAP NAME=\"m\">\r\n</MAP>\r\n", SaveAsBytes(doc, dir, "out.htm"));
}

TEST(DocumentSave, MalformedTopicsLoseAndRepeatNothing)
{
    struct Case {
        const char* input;
        const char* expected;
    } cases[] = {
        // Second title: the title moves to it; the first is plain text.
        {"<title>a</title><title>b</title>", "<title>a</title><title>b</title>"},
        // Second body start tag is not recorded.
        {"<body id=1><body id=2></body>", "<body id=\"1\"><body id=2></body>"},
        // A map whose end never comes is copied as it stands.
        {"<map name=m><area href=a.htm>text", "<map name=m><area href=a.htm>text"},
        // An object discarded by an inner tag with attributes stays untouched.
        {"<object id=o><param name=a value=1><embed src=x></object>",
         "<object id=o><param name=a value=1><embed src=x></object>"},
        // Two bgsound tags: one sound, at the second tag's place.
        {"<bgsound src=a.wav><bgsound src=b.wav loop=2>", "<bgsound src=a.wav><BGSOUND SRC=\"b.wav\" LOOP=\"2\">"},
        // Cut-off tag at the end of the file.
        {"<html><title>t</title><body bgcolor=", "<html><title>t</title><body bgcolor="},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto path = WriteTopic(dir, "t.htm", c.input);
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        std::string once = SaveAsBytes(doc, dir, "once.htm");
        EXPECT_EQ(c.expected, once) << c.input;
        EXPECT_EQ(once, SaveAsBytes(doc, dir, "twice.htm")) << c.input;
    }
}

TEST(DocumentSave, BackgroundPathsAreRelativeToTheSavedFile)
{
    TempDir dir;
    ::mkdir(dir.File("sub").c_str(), 0755);
    auto path = WriteTopic(dir, "t.htm", "<body background=\"img/bg.gif\"><bgsound src=\"snd\\a.wav\"></body>");
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    EXPECT_EQ(Utf8ToWide(dir.File("img/bg.gif").c_str()), doc.GetBgImage());
    // The sound path was never made absolute, so it stays as written.
    EXPECT_EQ("<body background=\"../img/bg.gif\"><BGSOUND SRC=\"snd\\a.wav\"></body>",
              SaveAsBytes(doc, dir, "sub/t.htm"));
    EXPECT_EQ(Utf8ToWide(dir.File("img/bg.gif").c_str()), doc.GetBgImage());
    // A save that fails leaves the path as it was in memory.
    EXPECT_FALSE(doc.SaveFileAs(dir.WideFile("missing/t.htm").c_str()));
    EXPECT_EQ(Utf8ToWide(dir.File("img/bg.gif").c_str()), doc.GetBgImage());
}

TEST(DocumentSave, ChangedOnDiskAsksOnceAndNoKeepsEverything)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", "<title>Old</title>");
    CHtmlFile doc(path.c_str(), PARSE_TITLE);
    doc.SetTitle(L"Mine");
    WriteFileBytes(dir.File("t.htm"), "<title>Theirs</title>!");
    ShiftModificationTime(path, 10);

    {
        PromptAnswer no(IDNO);
        EXPECT_FALSE(doc.SaveFile());
        EXPECT_EQ(1, no.Count());
        EXPECT_EQ(L"The file '" + path +
                      L"' was modified by another process. Would you like to continue saving and overwrite those "
                      L"changes?\n\nIf you choose Yes, the changes made by the other process will be lost.\n\nIf you "
                      L"choose No, the file will not be saved.",
                  no.LastText());
        EXPECT_EQ("<title>Theirs</title>!", ReadFileBytes(dir.File("t.htm")));
    }
    {
        // No handler installed: the safe answer, nothing is overwritten.
        EXPECT_FALSE(doc.SaveFile());
    }
    {
        PromptAnswer yes(IDYES);
        EXPECT_TRUE(doc.SaveFile());
        EXPECT_EQ(1, yes.Count());
        // Yes saves against the file as it is now: the other program's text
        // is kept, the unsaved edit is gone.
        EXPECT_EQ("<title>Theirs</title>!", ReadFileBytes(dir.File("t.htm")));
        EXPECT_TRUE(doc.SaveFile());
        EXPECT_EQ(1, yes.Count());
    }
}

TEST(DocumentSave, FailuresLeaveTheOldFileUntouched)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", kTopic);

    CHtmlFile bare(L"t.htm", PARSE_ALL);
    EXPECT_FALSE(bare.SaveFile());

    CHtmlFile doc(path.c_str(), PARSE_ALL);
    doc.SetTitle(L"Changed");
    if (::geteuid() != 0) {
        ::chmod(dir.Path().c_str(), 0555);
        EXPECT_FALSE(doc.SaveFile());
        ::chmod(dir.Path().c_str(), 0755);
        EXPECT_EQ(kTopic, ReadFileBytes(dir.File("t.htm")));
    }
    EXPECT_FALSE(doc.SaveFileAs(dir.WideFile("missing/x.htm").c_str()));

    ::unlink(dir.File("t.htm").c_str());
    EXPECT_FALSE(doc.SaveFile());
    EXPECT_FALSE(doc.SaveFileAs(dir.WideFile("copy.htm").c_str()));
    struct stat st;
    EXPECT_NE(0, ::stat(dir.File("copy.htm").c_str(), &st)) << "no empty file is left at the new path";
}

TEST(DocumentSave, AWriteThatFailsMidwayReachesTheCallerAndChangesNothing)
{
    TempDir dir;
    std::string big = kTopic;
    for (int i = 0; i < 200; ++i) big += "<p>paragraph " + std::to_string(i) + " with some text in it</p>\r\n";
    auto path = WriteTopic(dir, "t.htm", big);
    int completed = 0;
    for (int n = 1; n < 400 && completed == 0; ++n) {
        CHtmlFile doc(path.c_str(), PARSE_ALL);
        doc.SetTitle(L"Changed");
        htmlfile_testing::FailNthWrite(n);
        try {
            doc.SaveFile();
            completed = n;
        } catch (const CFileException&) {
            EXPECT_EQ(big, ReadFileBytes(dir.File("t.htm"))) << n;
        }
        htmlfile_testing::ResetFaults();
    }
    EXPECT_GT(completed, 1);
    std::string saved = ReadFileBytes(dir.File("t.htm"));
    EXPECT_NE(std::string::npos, saved.find("<title>Changed</title>"));
    EXPECT_EQ(1, CountFiles(dir.Path())) << "no temporary file is left behind";
}

TEST(DocumentSave, SaveFileAsOntoItselfIsASave)
{
    TempDir dir;
    auto path = WriteTopic(dir, "t.htm", kTopic);
    CHtmlFile doc(path.c_str(), PARSE_ALL);
    ASSERT_TRUE(doc.SaveFileAs((Utf8ToWide(dir.Path().c_str()) + L"/./t.htm").c_str()));
    EXPECT_EQ(kTopicSaved, ReadFileBytes(dir.File("t.htm")));
}
