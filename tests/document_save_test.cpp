// Saving: what is copied, what is rewritten, where inserted elements land,
// and what every failure leaves behind. Topic::Save also holds every save to
// the round-trip checker.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

const std::string kTopic = "<!DOCTYPE html>\r\n<HTML>\r\n<head>\r\n<TITLE>A &amp; B</TITLE>\r\n"
                           "<link rel=stylesheet href=main.css>\r\n</head>\r\n"
                           "<BODY bgcolor=red text=\"#000000\" topmargin>\r\n"
                           "<p>Hi <!-- <title>not</title> --></p>\r\n</BODY>\r\n</HTML>\r\n";

// kTopic after a save without changes: only the recorded elements differ
// (values quoted, the valueless attribute kept bare).
const std::string kTopicSaved = "<!DOCTYPE html>\r\n<HTML>\r\n<head>\r\n<title>A &amp; B</title>\r\n"
                                "<link rel=\"stylesheet\" href=\"main.css\" type=\"text/css\" />\r\n</head>\r\n"
                                "<BODY bgcolor=\"red\" text=\"#000000\" topmargin>\r\n"
                                "<p>Hi <!-- <title>not</title> --></p>\r\n</BODY>\r\n</HTML>\r\n";

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

} // namespace

TEST(DocumentSave, EachSetterChangesOnlyItsElementAndASecondSaveNothing)
{
    const std::pair<std::function<BOOL(CHtmlFile&)>, std::string> cases[] = {
        {[](CHtmlFile&) { return TRUE; }, kTopicSaved},
        {[](CHtmlFile& d) { return d.SetTitle(L"R&D <new>"); },
         Replace(kTopicSaved, "<title>A &amp; B</title>", "<title>R&amp;D <new></title>")},
        {[](CHtmlFile& d) { return d.SetStyleSheet(L"css/other.css"); }, Replace(kTopicSaved, "main.css", "css/other.css")},
        {[](CHtmlFile& d) { return d.SetStyleSheet(nullptr); },
         Replace(kTopicSaved, "<link rel=\"stylesheet\" href=\"main.css\" type=\"text/css\" />", "")},
        {[](CHtmlFile& d) { return d.SetBgColor(0x00FF8000); }, Replace(kTopicSaved, "bgcolor=\"red\"", "bgcolor=\"#0080ff\"")},
        {[](CHtmlFile& d) { return d.SetTextColor(NO_COLOR); }, Replace(kTopicSaved, " text=\"#000000\"", "")},
        {[](CHtmlFile& d) { return d.SetLinkColor(0x000000FF); },
         Replace(kTopicSaved, "topmargin>", "topmargin link=\"#ff0000\">")},
        {[](CHtmlFile& d) { return d.SetWaterMark(TRUE); },
         Replace(kTopicSaved, "topmargin>", "topmargin bgproperties=\"fixed\">")},
        {[](CHtmlFile& d) { return d.SetBgSound(L"snd/chime.wav", -1); },
         Replace(kTopicSaved, "<BODY", "<BGSOUND SRC=\"snd/chime.wav\" LOOP=\"-1\">\r\n<BODY")},
    };
    for (const auto& [edit, expected] : cases) {
        Topic topic(kTopic);
        EXPECT_TRUE(edit(topic.doc)) << expected;
        // SaveFileAs onto its own file, named another way, is a save.
        ASSERT_TRUE(topic.doc.SaveFileAs((Utf8ToWide(topic.dir.Path().c_str()) + L"/./t.htm").c_str()));
        EXPECT_EQ(expected, ReadBytes(topic.dir.File("t.htm")));
        EXPECT_EQ(expected, topic.Save("t.htm"));
    }
}

TEST(DocumentSave, NewStyleLinkGoesBeforeTheTitle)
{
    Topic topic("<html><head>\n  <title>T</title>\n</head><body></body></html>");
    EXPECT_STREQ(L"", topic.doc.GetStyleSheet());
    ASSERT_TRUE(topic.doc.SetStyleSheet(L"s.css"));
    ASSERT_TRUE(topic.doc.SetStyleSheet(L"t.css")); // a second call does not insert twice
    EXPECT_EQ("<html><head>\n  <link rel=\"stylesheet\" href=\"t.css\" type=\"text/css\" />\r\n<title>T</title>\n"
              "</head><body></body></html>",
              topic.Save());
    EXPECT_STREQ(L"t.css", topic.doc.GetStyleSheet());
}

// Inserted elements go before the last recorded element: the body end tag
// when it is recorded (only without frame pages), else the body start tag,
// else after the old text.
TEST(DocumentSave, InsertedElementsLandBeforeTheLastRecordedElement)
{
    const std::tuple<const char*, DWORD, const char*> cases[] = {
        {"<html><body>\n<p>x</p>\n</body></html>", PARSE_ALL & ~PARSE_FRAMESETS,
         "<html><body>\n<p>x</p>\n<MAP NAME=\"m\">\r\n</MAP>\r\n<OBJECT id=\"o1\">\r\n</OBJECT>\r\n</body></html>"},
        // Into an empty list: the map goes after the old text, and is the last element then.
        {"plain text, no markup", PARSE_ALL,
         "plain text, no markup<OBJECT id=\"o1\">\r\n</OBJECT>\r\n<MAP NAME=\"m\">\r\n</MAP>\r\n"},
        {"<body></BODY>", PARSE_BODY | PARSE_MAPS, "<body><MAP NAME=\"m\">\r\n</MAP>\r\n</BODY>"},
        {"<body></BODY>", PARSE_BODY | PARSE_MAPS | PARSE_FRAMESETS, "<MAP NAME=\"m\">\r\n</MAP>\r\n<body></BODY>"},
    };
    for (const auto& [pszInput, dwFlags, pszExpected] : cases) {
        Topic topic(pszInput, dwFlags);
        ASSERT_TRUE(topic.doc.InsertMap(new CHTMLMap(L"m")));
        auto* pObject = new CHTMLObjectTag();
        pObject->SetAttribute(L"id", L"o1");
        const bool bObject = topic.doc.InsertObjectTag(pObject); // taken when objects are read
        EXPECT_EQ(bObject, (dwFlags & PARSE_OBJECTTAGS) != 0);
        if (!bObject) delete pObject;
        EXPECT_EQ(pszExpected, topic.Save());
        // Read back, the inserted elements are ordinary recorded ones.
        EXPECT_NE(nullptr, topic.doc.FindMap(L"m"));
        EXPECT_EQ(bObject, topic.doc.FindObjectTagById(L"O1") != nullptr);
    }
    CHTMLMap map(L"x");
    EXPECT_FALSE(Topic("<body></BODY>", PARSE_BODY).doc.InsertMap(&map)); // refused, not taken over
}

TEST(DocumentSave, BackgroundPathsAreRelativeToTheSavedFile)
{
    Topic topic("<body background=\"img/bg.gif\"><bgsound src=\"snd\\a.wav\"></body>");
    std::filesystem::create_directory(std::filesystem::u8path(topic.dir.File("sub")));
    // Absolute names are written with '/', on Windows too.
    std::wstring strImage = topic.dir.WideFile("img/bg.gif");
    std::replace(strImage.begin(), strImage.end(), L'\\', L'/');
    EXPECT_EQ(strImage, topic.doc.GetBgImage());
    // The sound path was never made absolute, so it stays as written.
    EXPECT_EQ("<body background=\"../img/bg.gif\"><BGSOUND SRC=\"snd\\a.wav\"></body>", topic.Save("sub/t.htm"));
    EXPECT_EQ(strImage, topic.doc.GetBgImage());
    // A save that fails leaves the path as it was in memory.
    EXPECT_FALSE(topic.doc.SaveFileAs(topic.dir.WideFile("missing/t.htm").c_str()));
    EXPECT_EQ(strImage, topic.doc.GetBgImage());
}

TEST(DocumentSave, ChangedOnDiskAsksOnceAndNoKeepsEverything)
{
    Topic topic("<title>Old</title>", PARSE_TITLE);
    topic.doc.SetTitle(L"Mine");
    RewriteFile(topic.dir.File("t.htm"), "<title>Theirs</title>!", 10);
    // No handler installed: the safe answer, nothing is overwritten.
    EXPECT_FALSE(topic.doc.SaveFile());
    int nAnswer = IDNO, nAsked = 0;
    std::wstring strAsked;
    SetPromptHandler([&](const wchar_t* pszText, UINT) { ++nAsked; strAsked = pszText; return nAnswer; });
    const std::shared_ptr<void> reset(nullptr, [](void*) { SetPromptHandler(nullptr); });
    EXPECT_FALSE(topic.doc.SaveFile());
    EXPECT_EQ(1, nAsked);
    EXPECT_EQ(L"The file '" + topic.path +
                  L"' was modified by another process. Would you like to continue saving and overwrite those "
                  L"changes?\n\nIf you choose Yes, the changes made by the other process will be lost.\n\nIf you "
                  L"choose No, the file will not be saved.",
              strAsked);
    EXPECT_EQ("<title>Theirs</title>!", ReadBytes(topic.dir.File("t.htm")));
    // Yes saves against the file as it is now: the other program's text is
    // kept, the unsaved edit is gone; the next save does not ask again.
    nAnswer = IDYES;
    EXPECT_TRUE(topic.doc.SaveFile());
    EXPECT_TRUE(topic.doc.SaveFile());
    EXPECT_EQ(2, nAsked);
    EXPECT_EQ("<title>Theirs</title>!", ReadBytes(topic.dir.File("t.htm")));
}

TEST(DocumentSave, FailuresLeaveTheOldFileUntouched)
{
    Topic topic(kTopic);
    topic.doc.SetTitle(L"Changed");
    // A folder nobody may write in (root writes anywhere; on Windows a
    // folder's read-only attribute stops nobody).
    if (PermissionsApply() && !kWindows) {
        SetReadOnly(topic.dir.Path(), true);
        EXPECT_FALSE(topic.doc.SaveFile());
        SetReadOnly(topic.dir.Path(), false);
        EXPECT_EQ(kTopic, ReadBytes(topic.dir.File("t.htm")));
    }
    EXPECT_FALSE(topic.doc.SaveFileAs(topic.dir.WideFile("missing/x.htm").c_str()));
    std::filesystem::remove(std::filesystem::u8path(topic.dir.File("t.htm")));
    EXPECT_FALSE(topic.doc.SaveFile());
    EXPECT_FALSE(topic.doc.SaveFileAs(topic.dir.WideFile("copy.htm").c_str()));
    EXPECT_FALSE(std::filesystem::exists(topic.dir.File("copy.htm"))) << "no empty file is left at the new path";
}

// With SAVE_CHANGED_ONLY a save writes anew exactly the elements whose
// writer output changed, however they were changed; everything else keeps
// its bytes.
TEST(DocumentSave, SavingOnlyWhatChangedWritesExactlyTheChangedElements)
{
    const std::string body = "<BODY bgcolor=red topmargin background>", map = "<map name=m><area shape=rect coords='0,0,1,1' href=a.htm></map>",
                      object = "<object id=o classid=\"clsid:X\"><param name=p value=v></object>";
    const std::string topic = "<html><head><TITLE>T</TITLE><link rel=stylesheet href=a.css></head>\r\n" + body + "\r\n" +
                              map + "\r\n" + object + "\r\n</BODY></html>";
    // Each edit returns the element it changed (null: none), whose old text is given.
    const std::tuple<const char*, std::function<CHTMLObject*(RoundTripDocument&)>, std::string> cases[] = {
        {"an edit undone", [](RoundTripDocument& d) { d.SetTitle(L"Other"), d.SetTitle(L"T"); return nullptr; }, ""},
        {"a public member", [](RoundTripDocument& d) -> CHTMLObject* {
             d.StyleLink()->m_strHref = L"b.css";
             return d.StyleLink();
         }, "<link rel=stylesheet href=a.css>"},
        {"an element's own member", [](RoundTripDocument& d) -> CHTMLObject* {
             CHTMLMap* pMap = d.FindMap(L"m");
             pMap->AddMapArea(new CHTMLMapArea(L"rect", L"2,2,3,3", L"c.htm", L"C", L""));
             return pMap;
         }, map},
        {"a deletion", [](RoundTripDocument& d) -> CHTMLObject* {
             CHTMLObjectTag* pObject = d.FindObjectTagById(L"o");
             pObject->Delete(TRUE);
             return pObject;
         }, object},
    };
    for (const auto& [pszName, edit, from] : cases) {
        Topic saved(topic, PARSE_ALL | SAVE_CHANGED_ONLY);
        CHTMLObject* pChanged = edit(saved.doc);
        const std::string expected = pChanged ? Replace(topic, from, GenerateToBytes(*pChanged)) : topic;
        EXPECT_EQ(expected, saved.Save("t.htm")) << pszName;
    }

    // Inserted and replaced elements are written; the rest keeps its bytes.
    Topic inserted(topic, PARSE_ALL | SAVE_CHANGED_ONLY);
    ASSERT_TRUE(inserted.doc.InsertMap(new CHTMLMap(L"n")));
    EXPECT_EQ(Replace(topic, "<object", "<MAP NAME=\"n\">\r\n</MAP>\r\n<object"), inserted.Save("t.htm"));

    const std::string frames = "<html><frameset cols=\"50%,50%\"><frame src=a.htm><frame src=b.htm></frameset>\n</html>";
    Topic replaced(frames, PARSE_ALL | SAVE_CHANGED_ONLY);
    auto* pLayout = new CHtmlFileFrameset();
    const std::string layout = GenerateToBytes(*pLayout);
    ASSERT_EQ(1, replaced.doc.SetFrameset(pLayout));
    // The old text after the layout begins with a line end: the layout's own is left out.
    ASSERT_EQ("\r\n", layout.substr(layout.size() - 2));
    EXPECT_EQ(Replace(frames, "<frameset cols=\"50%,50%\"><frame src=a.htm><frame src=b.htm></frameset>",
                      layout.substr(0, layout.size() - 2)),
              replaced.Save("t.htm"));
}
