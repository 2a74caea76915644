// htmltopic end to end: the built tool run on copies of the example topics, its output and the files it leaves
// compared byte for byte. A file changed between reading and saving, which one run cannot stage, goes through the
// tool's core directly.
#include <support/Helpers.h>
#include <support/JsonLines.h>
#include <support/Spawn.h>

#include <Edits.h>
#include <Names.h>
#include <OverwritePrompt.h>
#include <SaveTopic.h>
#include <TopicDocument.h>
#include <Wtf8.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
namespace ht = htmltopic;

const std::string kExamples = HTMLFILE_SOURCE_DIR "/examples/help/";

// The text with `from`, which must be there, replaced once.
std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t pos = text.find(from);
    if (pos == std::string::npos) throw std::runtime_error("no " + from);
    return text.replace(pos, from.size(), to);
}

std::string Retitled(const std::string& printing, const std::string& title)
{
    return Replace(printing, "Printing a report</title>", title + "</title>");
}

// A temporary folder holding copies of the two example topics. Run starts the tool in it with stdin empty and its
// temporary folder set to it (so that no template file can go unnoticed).
class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"printing.htm", "index.htm"}) WriteBytes(dir.File(name), ReadBytes(kExamples + name));
    }
    ProcessResult Run(std::vector<std::string> args, const std::vector<std::string>& more = {})
    {
        args.insert(args.end(), more.begin(), more.end());
        return RunProcess(HTMLTOPIC_PATH, args, dir.Path(), TemporaryFolderVariables(dir.Path()));
    }
    std::string Bytes(const std::string& name) { return ReadBytes(dir.File(name)); }

    TempDir dir;
    const std::string printing = ReadBytes(kExamples + "printing.htm");
};

} // namespace

TEST_F(CliTest, ShowPrintsEverythingTheTopicRecordsAsTextAndJson)
{
    ProcessResult result = Run({"show", "printing.htm", "index.htm"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    const size_t nIndex = result.out.find("\nindex.htm\n");
    EXPECT_EQ("printing.htm\n  valid HTML   yes\n  encoding     UTF-8 (declared)\n  title        Printing a report\n"
              "  style sheet  styles/help.css\n  background   images/paper.gif\n  watermark    off\n"
              "  bgsound      none\n  bgcolor      #fffff0\n  text         #000000\n  link         #0000cc\n"
              "  vlink        #800080\n  alink        none\n  bookmarks    top\n  links        page_setup.htm\n"
              "               printers.htm#default\n  images       images/toolbar.gif usemap=#toolbar\n"
              "  multimedia   none\n"
              "  maps         toolbar (3 areas)\n"
              "                 rect 0,0,24,24 -> new.htm \"New report\"\n"
              "                 rect 26,0,50,24 -> open.htm \"Open a report\"\n"
              "                 rect 52,0,76,24 -> printing.htm#top \"Print\" target=_self\n"
              "  objects      #1 (no id) classid=1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\n"
              "                 attribute classid = clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\n"
              "                 attribute type = application/x-oleobject\n"
              "                 param Keyword = printing\n"
              "                 param Keyword = reports, printing\n"
              "  framesets    none\n\nindex.htm\n", result.out.substr(0, nIndex + 11));
    EXPECT_EQ("  framesets    frameset cols=30%,70% frameborder bordercolor=#c0c0c0\n"
              "                 frame name=toc src=contents.htm scrolling=auto marginwidth=4\n"
              "                 frameset rows=60,*\n"
              "                   frame name=banner src=banner.htm scrolling=no noresize\n"
              "                   frame name=topic src=printing.htm scrolling=auto\n",
              result.out.substr(result.out.find("  framesets", nIndex)));
    EXPECT_EQ(printing, Bytes("printing.htm")) << "show must not write";

    // JSON: one object a line, its fields in a fixed order.
    result = Run({"show", "--json", "printing.htm", "index.htm"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(R"({"file":"printing.htm","valid":true,"encoding":"UTF-8","encoding_found":"declared",)"
              R"("title":"Printing a report","stylesheet":"styles/help.css","background":"images/paper.gif",)"
              R"("watermark":false,"bgsound":null,"colors":{"bgcolor":"#fffff0","text":"#000000","link":"#0000cc",)"
              R"("vlink":"#800080","alink":null},"bookmarks":["top"],"links":["page_setup.htm","printers.htm#default"],)"
              R"("images":[{"src":"images/toolbar.gif","usemap":"#toolbar"}],"multimedia":[],"maps":[{"name":"toolbar",)"
              R"("areas":[{"shape":"rect","coords":"0,0,24,24","href":"new.htm","alt":"New report","target":null},)"
              R"({"shape":"rect","coords":"26,0,50,24","href":"open.htm","alt":"Open a report","target":null},)"
              R"({"shape":"rect","coords":"52,0,76,24","href":"printing.htm#top","alt":"Print","target":"_self"}]}],)"
              R"("objects":[{"id":null,"clsid":"1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e","deleted":false,"attributes":[)"
              R"({"name":"classid","value":"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e"},{"name":"type",)"
              R"("value":"application/x-oleobject"}],"params":[{"name":"Keyword","value":"printing"},)"
              R"({"name":"Keyword","value":"reports, printing"}]}],"framesets":[]})" "\n",
              result.out.substr(0, result.out.find('\n') + 1));
    const nlohmann::json index = JsonLines(result.out).at(1);
    EXPECT_EQ("detected", index["encoding_found"]);
    EXPECT_EQ(R"(["30%","70%"])", index["framesets"][0]["cols"].dump());
    EXPECT_EQ(true, index["framesets"][0]["items"][1]["items"][0]["noresize"]);
}

TEST_F(CliTest, SetWritesOnlyWhatChanged)
{
    const std::string body =
        "<body bgcolor=\"#FFFFF0\" text=black link=\"#0000cc\" vlink=\"purple\" background=\"images/paper.gif\">";
    const std::string retitled = Retitled(printing, "Printing and previewing");
    ProcessResult result = Run({"set", "printing.htm", "--title", "Printing and previewing"});
    EXPECT_EQ("printing.htm: saved\n", result.out) << result.err;
    EXPECT_EQ(retitled, Bytes("printing.htm"));

    result = Run({"set", "printing.htm", "--bgcolor", "white", "--no-background"});
    EXPECT_EQ(0, result.status) << result.err;
    const std::string expected =
        Replace(retitled, body, "<body bgcolor=\"#ffffff\" text=\"black\" link=\"#0000cc\" vlink=\"purple\">");
    EXPECT_EQ(expected, Bytes("printing.htm"));

    // The same request again finds nothing to change and leaves the file alone, modification time included.
    const auto before = fs::last_write_time(dir.File("printing.htm"));
    result = Run({"set", "printing.htm", "--title", "Printing and previewing", "--bgcolor", "#FFFFFF"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("printing.htm: unchanged\n", result.out);
    EXPECT_EQ(expected, Bytes("printing.htm"));
    EXPECT_EQ(before, fs::last_write_time(dir.File("printing.htm")));

    // Written to another folder, the background path is made relative to it: the body tag changes with it, nothing
    // else does.
    WriteBytes(dir.File("printing.htm"), printing);
    fs::create_directory(dir.File("sub"));
    result = Run({"set", "printing.htm", "-o", "sub/copy.htm", "--watermark", "on"});
    EXPECT_EQ("sub/copy.htm: written\n", result.out) << result.err;
    EXPECT_EQ(printing, Bytes("printing.htm"));
    EXPECT_EQ(Replace(printing, body, "<body bgcolor=\"#FFFFF0\" text=\"black\" link=\"#0000cc\" vlink=\"purple\" "
                                      "background=\"../images/paper.gif\" bgproperties=\"fixed\">"),
              Bytes("sub/copy.htm"));

    // --rewrite-all writes every recorded element in the library's own form (its writers are checked byte for byte in
    // the library's tests); a page without frames gets no warning.
    result = Run({"set", "printing.htm", "--title", "Printing and previewing", "--rewrite-all"});
    EXPECT_EQ("printing.htm: saved\n", result.out);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(Retitled(Topic(printing).Save(), "Printing and previewing"), Bytes("printing.htm"));
}

TEST_F(CliTest, SetWritesEveryPropertyToItsOwnAttribute)
{
    WriteBytes(dir.File("t.htm"), "<html><head><title>T</title></head>\n<body text=\"red\">\n<p>x</p>\n</body></html>\n");
    ProcessResult result = Run({"set", "t.htm", "--stylesheet", "s.css", "--text", "none", "--bgcolor", "Navy",
                                "--link", "#FF0000", "--vlink", "black", "--alink", "#00ff00", "--background",
                                "img/bg.gif", "--watermark", "on", "--bgsound", "snd/a.wav", "--loop", "infinite"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("<html><head><link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />\r\n<title>T</title></head>\n"
              "<BGSOUND SRC=\"snd/a.wav\" LOOP=\"-1\">\r\n"
              "<body bgcolor=\"#000080\" link=\"#ff0000\" vlink=\"#000000\" alink=\"#00ff00\" "
              "background=\"img/bg.gif\" bgproperties=\"fixed\">\n<p>x</p>\n</body></html>\n", Bytes("t.htm"));

    result = Run({"set", "t.htm", "--no-stylesheet", "--no-bgsound", "--watermark", "off", "--no-background"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("<html><head>\r\n<title>T</title></head>\n\r\n<body bgcolor=\"#000080\" link=\"#ff0000\" vlink=\"#000000\" "
              "alink=\"#00ff00\">\n<p>x</p>\n</body></html>\n", Bytes("t.htm"));
}

// A value that looks like markup reads back exactly as given; a value with both kinds of quote reads back with
// "&quot;" for each '"'. An inline diagram's own title is not the page's: set --title changes the page's alone.
TEST_F(CliTest, HostileValuesReadBackAsGiven)
{
    const std::string strTopic = "<html><head><title>T</title><link rel=stylesheet href=a.css></head>\n"
                                 "<body bgcolor=white background=bg.gif>\n<p>x</p>\n</body></html>\n";
    const std::string kTitle = "A</title><body bgcolor=red><title>B", kSheet = "x.css\" onload=\"y";
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{"--title", kTitle}, "title", kTitle},
        {{"--title", "it's \"it\" & <i>"}, "title", "it's \"it\" & <i>"},
        {{"--stylesheet", kSheet}, "stylesheet", kSheet},
        {{"--stylesheet", "it's \"x\".css"}, "stylesheet", "it's &quot;x&quot;.css"},
        {{"--background", "p\"q.gif"}, "background", "p\"q.gif"},
    };
    for (const auto& [options, field, value] : cases) {
        WriteBytes(dir.File("t.htm"), strTopic);
        ASSERT_EQ(0, Run({"set", "t.htm"}, options).status);
        const ProcessResult result = Run({"show", "--json", "t.htm"});
        ASSERT_EQ(0, result.status) << result.err;
        const nlohmann::json topic = JsonLines(result.out).at(0);
        EXPECT_EQ(value, topic[field]) << Bytes("t.htm");
        EXPECT_EQ("#ffffff", topic["colors"]["bgcolor"]) << Bytes("t.htm");
        EXPECT_EQ(field == "title" ? value : "T", topic["title"]) << Bytes("t.htm");
    }

    const std::string diagram = "<html><head><title>Image task</title></head><body>\n"
                                "<svg><title id=\"diagramTitle\">Diagram</title><rect/></svg>\n</body></html>\n";
    WriteBytes(dir.File("t.htm"), diagram);
    EXPECT_NE(std::string::npos, Run({"show", "t.htm"}).out.find("  title        Image task\n"));
    EXPECT_EQ(0, Run({"set", "t.htm", "--title", "Image"}).status);
    EXPECT_EQ(Replace(diagram, "Image task", "Image"), Bytes("t.htm"));
}

TEST_F(CliTest, SetRefusesWhatTheFileCannotTakeAndLeavesItAlone)
{
    const std::string noTitle = "<html><head></head><body>x</body></html>\n";
    const std::string noBody = "<html><head><title>T</title></head>x</html>\n";
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {noTitle, {"--title", "New"}, "cannot set the title: the file has no <title> element"},
        {noTitle, {"--stylesheet", "a.css"}, "cannot add a style sheet link: the file has no <title> element"},
        {noBody, {"--bgcolor", "red"}, "cannot set bgcolor: the file has no <body> tag"},
        {noBody, {"--background", "a.gif"}, "cannot set the background image: the file has no <body> tag"},
        {noBody, {"--watermark", "on"}, "cannot turn the watermark on: the file has no <body> tag"},
        {noBody, {"--bgsound", "a.wav"}, "cannot add a background sound: the file has no <body> tag"},
        {ReadBytes(kExamples + "index.htm"), {"--text", "red", "--rewrite-all"},
         "cannot set text: the file's <body> tag is inside"},
        // One refusal keeps the other changes of the run from being saved too.
        {noBody, {"--title", "Fine", "--link", "red"}, "cannot set link"},
    };
    for (const auto& [file, options, message] : cases) {
        WriteBytes(dir.File("t.htm"), file);
        const ProcessResult result = Run({"set", "t.htm"}, options);
        EXPECT_EQ(1, result.status) << options[0];
        EXPECT_EQ(0u, result.err.find("t.htm: not saved: " + message)) << result.err;
        EXPECT_EQ(file, Bytes("t.htm")) << options[0];
    }

    // Removing what a file does not have is no change, not a refusal.
    WriteBytes(dir.File("t.htm"), noBody);
    const ProcessResult result = Run({"set", "t.htm", "--bgcolor", "none", "--no-background", "--no-stylesheet"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("t.htm: unchanged\n", result.out);
}

// Only a frame layout written anew loses what its model does not hold; an untouched one is copied, and a body tag
// inside it can be edited.
TEST_F(CliTest, AFramePageKeepsItsLayoutUnlessRewritten)
{
    const std::string index = Bytes("index.htm");
    ProcessResult result = Run({"set", "index.htm", "--title", "Report Writer", "--text", "red"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(Replace(Replace(index, "Report Writer Help</title>", "Report Writer</title>"), "  <body>",
                      "  <body text=\"#ff0000\">"), Bytes("index.htm"));

    result = Run({"set", "index.htm", "--title", "Report Writer Help", "--rewrite-all"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("index.htm: warning: the frame layout is written anew from its frames; the frameset's own border "
              "attributes and any <noframes> content are not kept\n", result.err);
    EXPECT_EQ(std::string::npos, Bytes("index.htm").find("<noframes>"));
}

TEST_F(CliTest, UsageErrorsExitTwoAndTouchNothingHelpAndVersionExitZero)
{
    const std::vector<std::vector<std::string>> cases = {
        {}, {"frobnicate"}, {"show"}, {"set", "printing.htm"}, {"set", "printing.htm", "--bgcolor", "blu"},
        {"set", "printing.htm", "--bgcolor", "#fff"}, {"set", "printing.htm", "--text", ""},
        {"set", "printing.htm", "--loop", "3"}, {"set", "printing.htm", "--bgsound", "a.wav", "--loop", "0"},
        {"set", "printing.htm", "--watermark", "maybe"}, {"set", "printing.htm", "--stylesheet", "a.css", "--no-stylesheet"},
        {"set", "printing.htm", "index.htm", "-o", "x.htm", "--title", "x"},
        {"set", "printing.htm", "--title", "x", "--yes", "--no"}, {"show", "printing.htm", "--jobs", "0"},
        {"new", "x.htm", "--template", "fancy"}, {"objects", "printing.htm", "--delete", "a", "--json"},
    };
    for (const auto& args : cases) {
        const ProcessResult result = Run(args);
        const std::string shown = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(2, result.status) << shown;
        EXPECT_EQ(0u, result.err.find("htmltopic: ")) << shown << ": " << result.err;
        EXPECT_EQ("", result.out) << shown;
    }
    EXPECT_EQ(printing, Bytes("printing.htm"));
    EXPECT_FALSE(fs::exists(dir.File("x.htm")));

    EXPECT_EQ(std::string("htmltopic ") + HTMLFILE_VERSION + "\n", Run({"--version"}).out);
    for (const char* command : {"show", "set", "new", "objects", "maps"}) {
        const ProcessResult help = Run({command, "--help"});
        EXPECT_TRUE(help.status == 0 && help.out.find(std::string("htmltopic ") + command) != std::string::npos) << help.out;
    }
}

TEST_F(CliTest, AFolderIsWalkedInOrderAndBrokenEntriesFailAlone)
{
    for (const char* name : {"help/sub", "help/folder.htm"}) fs::create_directories(dir.File(name));
    for (const char* name : {"help/sub/b.HTML", "help/a.htm", "help/folder.htm/c.htm"}) WriteBytes(dir.File(name), printing);
    WriteBytes(dir.File("help/notes.txt"), "not a topic");
#ifdef _WIN32
    const std::string brokenLink; // symbolic links need a privilege on Windows
#else
    fs::create_symlink("nowhere.htm", dir.File("help/broken.htm"));
    const std::string brokenLink = "help/broken.htm: missing (broken symbolic link)\n";
#endif
    ProcessResult result = Run({"show", "--json", "help", "missing.htm"});
    EXPECT_EQ(1, result.status);
    std::vector<std::string> files;
    for (const auto& topic : JsonLines(result.out)) files.push_back(topic["file"]);
    EXPECT_EQ((std::vector<std::string>{"help/a.htm", "help/folder.htm/c.htm", "help/sub/b.HTML"}), files);
    EXPECT_EQ(brokenLink + "missing.htm: missing\n", result.err);

    // Several threads keep the order of the arguments, not of the names.
    std::vector<std::string> args{"set", "--jobs", "4", "--title", "Parallel", "help"};
    std::string expectedOut = "help/a.htm: saved\nhelp/folder.htm/c.htm: saved\nhelp/sub/b.HTML: saved\n";
    for (int i = 0; i < 24; ++i) {
        args.push_back("t" + std::to_string((i * 7) % 24) + ".htm");
        WriteBytes(dir.File(args.back()), printing);
        expectedOut += args.back() + ": saved\n";
    }
    result = Run(args, {"missing.htm"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ(expectedOut, result.out);
    EXPECT_EQ(brokenLink + "missing.htm: missing\n", result.err);
    for (const std::string& name : {args[6], args[29], std::string("help/sub/b.HTML")})
        EXPECT_EQ(Retitled(printing, "Parallel"), Bytes(name));
}

TEST_F(CliTest, NewCreatesFromATemplateAndNeverOverwritesUnasked)
{
    ProcessResult result = Run({"new", "n.htm", "--template", "titled", "--title", "Fish & chips", "--stylesheet", "s.css"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("n.htm: created\n", result.out);
    const std::string created = "<html>\r\n\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                                "\r\n<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n"
                                "<link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />\r\n"
                                "<title>Fish &amp; chips</title>\r\n" "</head>\r\n<body>\r\n</body>\r\n</html>\r\n";
    EXPECT_EQ(created, Bytes("n.htm"));

    result = Run({"new", "n.htm"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("n.htm: already exists (use --force to overwrite it)\n", result.err);
    EXPECT_EQ(created, Bytes("n.htm"));

    result = Run({"new", "b.htm", "--template", "bare", "--title", "No place for it"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("b.htm: not created: cannot set the title: the file has no <title> element\n", result.err);
    EXPECT_FALSE(fs::exists(dir.File("b.htm")));

    EXPECT_EQ(0, Run({"new", "n.htm", "--force", "--title", "Standard"}).status);
    EXPECT_NE(std::string::npos, Bytes("n.htm").find("<title>Standard</title>\r\n<link rel=\"stylesheet\" href=\"default.css\""));
    EXPECT_NE(std::string::npos, Bytes("n.htm").find("<h1>Standard</h1>"));

    // Every template file the runs made in TMPDIR (the test folder) is gone.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_NE(0u, entry.path().filename().string().rfind("QL", 0)) << entry.path();
}

TEST_F(CliTest, ObjectsAndMapsListAndDeleteById)
{
    const ProcessResult maps = Run({"maps", "printing.htm"});
    EXPECT_EQ(0, maps.status);
    EXPECT_EQ("toolbar (3 areas)\n"
              "  rect 0,0,24,24 -> new.htm \"New report\"\n" "  rect 26,0,50,24 -> open.htm \"Open a report\"\n"
              "  rect 52,0,76,24 -> printing.htm#top \"Print\" target=_self\n", maps.out);

    const std::string withId = Replace(printing, "<object type", "<object id=\"keywords\" type");
    WriteBytes(dir.File("printing.htm"), withId);
    ProcessResult result = Run({"objects", "printing.htm", "--delete", "nothing"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("printing.htm: no object with id 'nothing'\n", result.err);
    EXPECT_EQ(withId, Bytes("printing.htm"));
    result = Run({"objects", "printing.htm", "--delete", "KEYWORDS"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("printing.htm: deleted object 'KEYWORDS'\n", result.out);
    std::string expected = withId;
    const size_t begin = expected.find("<object id"), end = expected.find("</object>") + 9;
    EXPECT_EQ(expected.erase(begin, end - begin), Bytes("printing.htm"));
    EXPECT_EQ("no objects\n", Run({"objects", "printing.htm"}).out);
}

// A file that another program changes between the tool's reading and its saving: staged through the core, since one
// run of the tool leaves no gap. Answered No (or not asked, without a terminal) it is not saved; answered Yes, their
// change is kept and ours applied to it.
TEST_F(CliTest, AFileChangedOnDiskIsSavedOnlyWhenAnsweredYes)
{
    const std::string theirs = Replace(printing, "<h1>", "<h1 class=\"theirs\">");
    for (auto answer : {ht::OverwriteAnswer::No, ht::OverwriteAnswer::AskOrNo, ht::OverwriteAnswer::Yes}) {
        WriteBytes(dir.File("printing.htm"), printing);
        ht::TopicDocument doc(dir.File("printing.htm"));
        ht::InstallOverwritePrompt(answer);
        ht::EditRequest request;
        request.title = "Ours";
        EXPECT_TRUE(ht::ApplyEdits(doc, request).changed);
        RewriteFile(dir.File("printing.htm"), theirs, 10);
        const ht::SaveResult result = ht::SaveInPlace(doc, "printing.htm", [&](ht::TopicDocument& again) {
            return ht::ApplyEdits(again, request).refusals.empty() ? "" : "refused";
        });
        ht::InstallOverwritePrompt(ht::OverwriteAnswer::No);
        const bool bYes = answer == ht::OverwriteAnswer::Yes;
        EXPECT_EQ(bYes, result.saved) << result.reason;
        EXPECT_EQ(bYes ? "" : "not saved: printing.htm changed on disk since it was read", result.reason);
        EXPECT_EQ(bYes ? Retitled(theirs, "Ours") : theirs, Bytes("printing.htm"));
    }
}

// show names the encoding it read a topic in; --encoding reads one that declares the wrong one, and set writes in it.
TEST_F(CliTest, EncodingIsShownAndCanBeGiven)
{
    WriteBytes(dir.File("pl.htm"), "<html><meta charset=windows-1252><title>\xA3\xF3\x64\x9F</title></html>");
    const nlohmann::json declared = JsonLines(Run({"show", "--json", "pl.htm"}).out).at(0);
    EXPECT_EQ("windows-1252", declared["encoding"]);
    EXPECT_EQ("declared", declared["encoding_found"]);
    EXPECT_EQ("\xC2\xA3\xC3\xB3" "d\xC5\xB8", declared["title"]); // what the declaration makes of it
    const nlohmann::json given = JsonLines(Run({"show", "--json", "--encoding", "windows-1250", "pl.htm"}).out).at(0);
    EXPECT_EQ("given", given["encoding_found"]);
    EXPECT_EQ("\xC5\x81\xC3\xB3" "d\xC5\xBA", given["title"]); // Łódź

    const ProcessResult set = Run({"set", "--encoding", "windows-1250", "pl.htm", "--title", "\xC5\xBB\xC3\xB3\xC5\x82w"});
    EXPECT_EQ(0, set.status) << set.err;
    EXPECT_EQ("<html><meta charset=windows-1252><title>\xAF\xF3\xB3w</title></html>", Bytes("pl.htm"));
    EXPECT_NE(std::string::npos, Run({"show", "pl.htm"}).out.find("  encoding     windows-1252 (declared)\n"));

    const ProcessResult unknown = Run({"show", "--encoding", "klingon", "pl.htm"});
    EXPECT_EQ(2, unknown.status);
    EXPECT_NE(std::string::npos, unknown.err.find("unknown encoding 'klingon'"));
}

// A Windows name is any sequence of 16-bit units, lone surrogates included: WTF-8 carries each one there and back,
// and is UTF-8 for everything else.
TEST(Wtf8, KeepsEveryUnitOfAName)
{
    const std::pair<std::u16string, std::string> cases[] = {
        {u"plain.htm", "plain.htm"}, {u"caf\u00e9 \u5e2e\u52a9", "caf\xc3\xa9 \xe5\xb8\xae\xe5\x8a\xa9"},
        {u"\U0001F4D6", "\xf0\x9f\x93\x96"}, {std::u16string{u'a', char16_t(0xD800), u'b'}, "a\xed\xa0\x80" "b"},
        {std::u16string{char16_t(0xDFFF)}, "\xed\xbf\xbf"}, {std::u16string{char16_t(0xD83D)}, "\xed\xa0\xbd"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xed\xb0\x80\xed\xa0\x80"}, // trail, then lead
    };
    for (const auto& [units, text] : cases) {
        EXPECT_EQ(text, ht::Wtf8FromUtf16(units));
        EXPECT_EQ(units, ht::Utf16FromWtf8(text));
    }
    // A lead and a trail written apart (two names joined) read as their pair.
    EXPECT_EQ(u"\U0001F4D6", ht::Utf16FromWtf8("\xed\xa0\xbd\xed\xb3\x96"));
    // Bytes that begin no sequence, overlong forms and values beyond U+10FFFF.
    for (const char* bad : {"\x80", "\xc0\xaf", "\xe0\x80\xaf", "\xf4\x90\x80\x80", "\xff", "\xe5\xb8"})
        EXPECT_EQ(std::u16string(std::char_traits<char>::length(bad), u'\uFFFD'), ht::Utf16FromWtf8(bad)) << bad;
}

// What people and JSON readers see of a name that is not text: bytes outside UTF-8 on POSIX, lone surrogates on
// Windows (which Wine's file system cannot hold, so they are checked here rather than end to end).
TEST(Names, ShownAndJsonFormsKeepEveryUnit)
{
    using namespace htmltopic;
#ifdef _WIN32
    const std::u16string units = {u'd', u'/', char16_t(0xD800), u'\u00e9', char16_t(0xD83D), char16_t(0xDCD6),
                                  char16_t(0xDFFF)};
    const std::string name = Wtf8FromUtf16(units);
    EXPECT_EQ("d/\\uD800\xc3\xa9\xf0\x9f\x93\x96\\uDFFF", ShownName(name));
    EXPECT_EQ("\"d/\\ud800\xc3\xa9\xf0\x9f\x93\x96\\udfff\"", JsonName(name));
    EXPECT_EQ(std::wstring(units.begin(), units.end()), NameForLibrary(name));
    EXPECT_EQ(name, NameOf(PathOf(name)));
#else
    const std::string name = "d/\xff\xc3\xa9\xf0\x9f\x93\x96\xed\xa0\x80";
    EXPECT_EQ("d/\\xFF\xc3\xa9\xf0\x9f\x93\x96\\xED\\xA0\\x80", ShownName(name));
    EXPECT_EQ("\"d/\\udcff\xc3\xa9\xf0\x9f\x93\x96\\udced\\udca0\\udc80\"", JsonName(name));
#endif
    EXPECT_EQ(name, NameFromLibrary(NameForLibrary(name).c_str()));
}
