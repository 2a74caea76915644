// Opening, templates, lazy re-reading and closing of documents.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace {

// A fresh folder that TMPDIR (TMP on Windows), where new documents get
// their file, names while in scope.
struct TempFolder : TempDir {
#ifdef _WIN32
    static constexpr const char* kVariable = "TMP";
#else
    static constexpr const char* kVariable = "TMPDIR";
#endif
    TempFolder() : strOld(std::getenv(kVariable) ? std::getenv(kVariable) : "") { SetEnvironment(kVariable, Path().c_str()); }
    ~TempFolder() { SetEnvironment(kVariable, strOld.empty() ? nullptr : strOld.c_str()); }
    std::string strOld;
};

} // namespace

// Each constructor writes its built-in template, UTF-8 without mark, into a
// QL....tmp file in TMPDIR, which goes with the document.
TEST(DocumentLifecycle, NewDocumentsComeFromTheBuiltInTemplates)
{
    TempFolder tmp;
    const std::string head = "<html>\r\n\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                             "\r\n<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n";
    const std::string title = "<title>Title</title>\r\n", tail = "</head>\r\n<body>\r\n</body>\r\n</html>\r\n";
    const std::string expected[] = {
        head + title + "<link rel=\"stylesheet\" href=\"default.css\" type=\"text/css\">\r\n</head>\r\n\r\n<body>\r\n"
                       "<h1><meta name=\"template\" pattern=\"title\"></h1>\r\n\r\n<p>Type topic text here.</p>\r\n"
                       "</body>\r\n</html>\r\n",
        head + tail, head + title + tail};
    std::vector<std::string> files;
    {
        CHtmlFile standard, bare(1, 0), titled(1, 1);
        for (CHtmlFile* pDoc : {&standard, &bare, &titled}) {
            files.push_back(WideToUtf8(pDoc->GetFileName()));
            const std::filesystem::path file = std::filesystem::u8path(files.back());
            EXPECT_TRUE(std::filesystem::equivalent(file.parent_path(), std::filesystem::u8path(tmp.Path()))) << files.back();
            // The system's GetTempFileNameW on Windows; Wine's writes its
            // hexadecimal digits in lower case and without leading zeros.
            const std::regex name(kWindows ? "QL[0-9A-Fa-f]{1,4}\\.tmp" : "QL[0-9A-F]{4}\\.tmp");
            EXPECT_TRUE(std::regex_match(file.filename().u8string(), name)) << files.back();
            EXPECT_EQ(expected[files.size() - 1], ReadBytes(files.back()));
        }
    }
    for (const std::string& file : files) EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(DocumentLifecycle, FlagsZeroStillRecordsMapsSoundAndValidity)
{
    Topic topic("<html><title>T</title><body><map name=m><area href=x.htm></map><bgsound src=s.wav></body></html>", 0);
    EXPECT_TRUE(topic.doc.IsValid());
    EXPECT_EQ(nullptr, topic.doc.GetTitle());
    EXPECT_EQ(nullptr, topic.doc.GetStyleSheet());
    EXPECT_EQ(0, topic.doc.GetNumMaps());
    EXPECT_FALSE(topic.doc.SetTitle(L"x"));
    // Maps and the sound are rewritten even though they are not offered.
    EXPECT_EQ("<html><title>T</title><body><MAP NAME=\"m\">\r\n<AREA HREF=\"x.htm\">\r\n</MAP>"
              "<BGSOUND SRC=\"s.wav\"></body></html>",
              topic.Save());
}

// A document reads its file again only when the modification time changed;
// it is valid once an html start tag was read, and stays so.
TEST(DocumentLifecycle, ReparsesWhenTheFileChangesEvenWithinTheSameSecond)
{
    EXPECT_FALSE(Topic("<head><title>x</title></head>").doc.IsValid());
    Topic topic("<HTML lang=en><title>One</title></HTML>", PARSE_TITLE);
    EXPECT_TRUE(topic.doc.IsValid());
    ASSERT_STREQ(L"One", topic.doc.GetTitle());
    topic.doc.SetTitle(L"Edited");
    EXPECT_STREQ(L"Edited", topic.doc.GetTitle()); // nothing changed on disk: the edit stands
    // Same size, and the modification time put back to the same whole second.
    RewriteFile(topic.dir.File("t.htm"), "<HTML lang=en><title>Two</title></HTML>", 0);
    EXPECT_STREQ(L"Two", topic.doc.GetTitle());
    EXPECT_TRUE(topic.doc.IsValid());
}

TEST(DocumentLifecycle, MissingFileGivesAnEmptyDocumentThatKeepsTrying)
{
    TempDir dir;
    CHtmlFile doc(dir.WideFile("later.htm").c_str(), PARSE_ALL);
    EXPECT_FALSE(doc.IsValid());
    EXPECT_EQ(nullptr, doc.GetTitle());
    EXPECT_FALSE(doc.SaveFile());
    WriteBytes(dir.File("later.htm"), "<html><title>Now</title></html>");
    EXPECT_STREQ(L"Now", doc.GetTitle());
    EXPECT_TRUE(doc.IsValid());
}

TEST(TemplateTest, FailuresAreReportedNotThrown)
{
    TempDir dir;
    const std::wstring path = dir.WideFile("t.htm");
    CTemplate templ;
    EXPECT_FALSE(templ.LoadRCData(htmlfile_resources::ModuleHandle(), 4));
    EXPECT_FALSE(templ.LoadRCData(nullptr, 1));
    EXPECT_FALSE(templ.WriteFile(path.c_str(), CFile::modeCreate | CFile::modeWrite)); // nothing loaded
    EXPECT_FALSE(std::filesystem::exists(dir.File("t.htm")));
    ASSERT_TRUE(templ.LoadRCData(htmlfile_resources::ModuleHandle(), 2));
    EXPECT_FALSE(templ.WriteFile(dir.WideFile("missing/topic.htm").c_str(), CFile::modeCreate | CFile::modeWrite));
    htmlfile_testing::FailNthWrite(1);
    EXPECT_FALSE(templ.WriteFile(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    htmlfile_testing::ResetFaults();
    EXPECT_TRUE(templ.WriteFile(path.c_str(), CFile::modeCreate | CFile::modeWrite));
}
