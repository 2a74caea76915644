// htmltopic end to end: the built tool run on copies of the example topics,
// its output and the files it leaves compared byte for byte. The one case
// the command line cannot stage (a file changed between reading and saving)
// goes through the tool's core directly.
#include <support/TopicFile.h>

#include <Edits.h>
#include <OverwritePrompt.h>
#include <SaveTopic.h>
#include <TopicDocument.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kExamples = HTMLFILE_SOURCE_DIR "/examples/help/";

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ToolPath()
{
#ifdef HTMLTOPIC_PATH
    return HTMLTOPIC_PATH;
#else
    // The tool sits beside the tests folder of the build: <build>/cli/htmltopic.
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "cli" / "htmltopic").string();
#endif
}

// Runs the tool in folder cwd with stdin from /dev/null and TMPDIR set to
// tmpdir (so that no template file can go unnoticed).
RunResult RunTool(const std::vector<std::string>& args, const std::string& cwd, const std::string& tmpdir = "")
{
    TempDir capture;
    std::string outPath = capture.File("out"), errPath = capture.File("err");
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0) ::_exit(127);
        int in = ::open("/dev/null", O_RDONLY);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
        if (!tmpdir.empty()) ::setenv("TMPDIR", tmpdir.c_str(), 1);
        std::string tool = ToolPath();
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, ReadFileBytes(outPath), ReadFileBytes(errPath)};
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    size_t pos = text.find(from);
    if (pos == std::string::npos) throw std::runtime_error("no " + from);
    return text.replace(pos, from.size(), to);
}

// A temporary folder holding copies of the two example topics.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"printing.htm", "index.htm"})
            WriteFileBytes(dir.File(name), ReadFileBytes(kExamples + name));
    }
    RunResult Run(const std::vector<std::string>& args) { return RunTool(args, dir.Path(), dir.Path()); }
    std::string Bytes(const std::string& name) { return ReadFileBytes(dir.File(name)); }

    TempDir dir;
    const std::string printing = ReadFileBytes(kExamples + "printing.htm");
};

const char* const kOriginalBody =
    "<body bgcolor=\"#FFFFF0\" text=black link=\"#0000cc\" vlink=\"purple\" background=\"images/paper.gif\">";
const char* const kCanonicalBody =
    "<body bgcolor=\"#FFFFF0\" text=\"black\" link=\"#0000cc\" vlink=\"purple\" background=\"images/paper.gif\">";

// What every save does to printing.htm besides the requested change: the
// recorded elements are written in the library's own form (the object and
// map writers end their lines with CR LF).
std::string CanonicalPrinting(std::string text)
{
    text = Replace(text, kOriginalBody, kCanonicalBody);
    text = Replace(text, "<link rel=\"stylesheet\" href=\"styles/help.css\" type=\"text/css\">",
                   "<link rel=\"stylesheet\" href=\"styles/help.css\" type=\"text/css\" />");
    text = Replace(text,
                   "<object type=\"application/x-oleobject\" classid=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\">\n"
                   "\t<param name=\"Keyword\" value=\"printing\">\n"
                   "\t<param name=\"Keyword\" value=\"reports, printing\">\n"
                   "</object>",
                   "<OBJECT classid=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\"\r\n"
                   "        type=\"application/x-oleobject\">\r\n"
                   "<param name=\"Keyword\" value=\"printing\" />\r\n"
                   "<param name=\"Keyword\" value=\"reports, printing\" />\r\n"
                   "</OBJECT>");
    return Replace(text,
                   "<map name=\"toolbar\">\n"
                   "  <area shape=\"rect\" coords=\"0,0,24,24\" href=\"new.htm\" title=\"New report\">\n"
                   "  <area shape=\"rect\" coords=\"26,0,50,24\" href=\"open.htm\" title=\"Open a report\">\n"
                   "  <area shape=\"rect\" coords=\"52,0,76,24\" href=\"printing.htm#top\" title=\"Print\" "
                   "target=\"_self\">\n"
                   "</map>",
                   "<MAP NAME=\"toolbar\">\r\n"
                   "<AREA SHAPE=\"rect\" COORDS=\"0,0,24,24\" HREF=\"new.htm\" ALT=\"New report\" "
                   "TITLE=\"New report\">\r\n"
                   "<AREA SHAPE=\"rect\" COORDS=\"26,0,50,24\" HREF=\"open.htm\" ALT=\"Open a report\" "
                   "TITLE=\"Open a report\">\r\n"
                   "<AREA SHAPE=\"rect\" COORDS=\"52,0,76,24\" HREF=\"printing.htm#top\" ALT=\"Print\" TITLE=\"Print\" "
                   "TARGET=\"_self\">\r\n"
                   "</MAP>");
}

} // namespace

TEST_F(CliTest, ShowPrintsEverythingTheTopicRecords)
{
    RunResult result = Run({"show", "printing.htm", "index.htm"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    EXPECT_EQ("printing.htm\n"
              "  valid HTML   yes\n"
              "  title        Printing a report\n"
              "  style sheet  styles/help.css\n"
              "  background   images/paper.gif\n"
              "  watermark    off\n"
              "  bgsound      none\n"
              "  bgcolor      #fffff0\n"
              "  text         #000000\n"
              "  link         #0000cc\n"
              "  vlink        #800080\n"
              "  alink        none\n"
              "  bookmarks    top\n"
              "  links        page_setup.htm\n"
              "               printers.htm#default\n"
              "  images       images/toolbar.gif usemap=#toolbar\n"
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
              "  framesets    none\n"
              "\n"
              "index.htm\n"
              "  valid HTML   yes\n"
              "  title        Report Writer Help\n"
              "  style sheet  none\n"
              "  background   none\n"
              "  watermark    off\n"
              "  bgsound      none\n"
              "  bgcolor      none\n"
              "  text         none\n"
              "  link         none\n"
              "  vlink        none\n"
              "  alink        none\n"
              "  bookmarks    none\n"
              "  links        printing.htm\n"
              "  images       none\n"
              "  multimedia   none\n"
              "  maps         none\n"
              "  objects      none\n"
              "  framesets    frameset cols=30%,70% frameborder bordercolor=#c0c0c0\n"
              "                 frame name=toc src=contents.htm scrolling=auto marginwidth=4\n"
              "                 frameset rows=60,*\n"
              "                   frame name=banner src=banner.htm scrolling=no noresize\n"
              "                   frame name=topic src=printing.htm scrolling=auto\n",
              result.out);
    EXPECT_EQ(printing, Bytes("printing.htm")) << "show must not write";
}

TEST_F(CliTest, ShowJsonGivesOneObjectPerFileWithTheDocumentedFields)
{
    RunResult result = Run({"show", "--json", "printing.htm", "index.htm"});
    ASSERT_EQ(0, result.status) << result.err;
    std::istringstream lines(result.out);
    std::vector<nlohmann::json> topics;
    for (std::string line; std::getline(lines, line);) topics.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(2u, topics.size());

    const nlohmann::json& topic = topics[0];
    std::vector<std::string> keys;
    for (auto it = topic.begin(); it != topic.end(); ++it) keys.push_back(it.key());
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ((std::vector<std::string>{"background", "bgsound", "bookmarks", "colors", "file", "framesets",
                                        "images", "links", "maps", "multimedia", "objects", "stylesheet", "title",
                                        "valid", "watermark"}),
              keys);
    EXPECT_EQ("printing.htm", topic["file"]);
    EXPECT_EQ("Printing a report", topic["title"]);
    EXPECT_EQ("images/paper.gif", topic["background"]);
    EXPECT_TRUE(topic["bgsound"].is_null());
    EXPECT_EQ(nlohmann::json::parse(R"({"bgcolor":"#fffff0","text":"#000000","link":"#0000cc","vlink":"#800080",
                                        "alink":null})"),
              topic["colors"]);
    EXPECT_EQ("_self", topic["maps"][0]["areas"][2]["target"]);
    EXPECT_EQ("reports, printing", topic["objects"][0]["params"][1]["value"]);

    const nlohmann::json& frames = topics[1]["framesets"][0];
    EXPECT_EQ("frameset", frames["type"]);
    EXPECT_EQ((std::vector<std::string>{"30%", "70%"}), frames["cols"]);
    EXPECT_EQ("banner", frames["items"][1]["items"][0]["name"]);
    EXPECT_EQ(true, frames["items"][1]["items"][0]["noresize"]);
}

TEST_F(CliTest, SetChangesOnlyWhatWasAskedBesidesTheCanonicalRewrite)
{
    RunResult result =
        Run({"set", "printing.htm", "--title", "Printing and previewing", "--bgcolor", "white", "--no-background"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("printing.htm: saved\n", result.out);
    std::string expected = CanonicalPrinting(printing);
    expected = Replace(expected, "<title>Printing a report</title>", "<title>Printing and previewing</title>");
    expected = Replace(expected, kCanonicalBody,
                       "<body bgcolor=\"#ffffff\" text=\"black\" link=\"#0000cc\" vlink=\"purple\">");
    EXPECT_EQ(expected, Bytes("printing.htm"));

    // The same request again finds nothing to change and leaves the file
    // alone, modification time included.
    struct stat before, after;
    ::stat(dir.File("printing.htm").c_str(), &before);
    result = Run({"set", "printing.htm", "--title", "Printing and previewing", "--bgcolor", "#FFFFFF"});
    ::stat(dir.File("printing.htm").c_str(), &after);
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("printing.htm: unchanged\n", result.out);
    EXPECT_EQ(expected, Bytes("printing.htm"));
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(CliTest, SetWritesEveryPropertyToItsOwnAttribute)
{
    WriteFileBytes(dir.File("t.htm"), "<html><head><title>T</title></head>\n"
                                      "<body text=\"red\">\n<p>x</p>\n</body></html>\n");
    RunResult result = Run({"set", "t.htm", "--stylesheet", "s.css", "--text", "none", "--bgcolor", "Navy", "--link",
                            "#FF0000", "--vlink", "black", "--alink", "#00ff00", "--background", "img/bg.gif",
                            "--watermark", "on", "--bgsound", "snd/a.wav", "--loop", "infinite"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("<html><head><link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />\r\n<title>T</title></head>\n"
              "<BGSOUND SRC=\"snd/a.wav\" LOOP=\"-1\">\r\n"
              "<body bgcolor=\"#000080\" link=\"#ff0000\" vlink=\"#000000\" alink=\"#00ff00\" "
              "background=\"img/bg.gif\" bgproperties=\"fixed\">\n<p>x</p>\n</body></html>\n",
              Bytes("t.htm"));

    result = Run({"set", "t.htm", "--no-stylesheet", "--no-bgsound", "--watermark", "off", "--no-background"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("<html><head>\r\n<title>T</title></head>\n\r\n"
              "<body bgcolor=\"#000080\" link=\"#ff0000\" vlink=\"#000000\" alink=\"#00ff00\">\n<p>x</p>\n"
              "</body></html>\n",
              Bytes("t.htm"));
}

TEST_F(CliTest, SetRefusesWhatTheFileCannotTakeAndLeavesItAlone)
{
    const std::string noTitle = "<html><head></head><body>x</body></html>\n";
    const std::string noBody = "<html><head><title>T</title></head>x</html>\n";
    struct Case {
        std::string file;
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {noTitle, {"--title", "New"}, "cannot set the title: the file has no <title> element"},
        {noTitle, {"--stylesheet", "a.css"}, "cannot add a style sheet link: the file has no <title> element"},
        {noBody, {"--bgcolor", "red"}, "cannot set bgcolor: the file has no <body> tag"},
        {noBody, {"--alink", "red"}, "cannot set alink: the file has no <body> tag"},
        {noBody, {"--background", "a.gif"}, "cannot set the background image: the file has no <body> tag"},
        {noBody, {"--watermark", "on"}, "cannot turn the watermark on: the file has no <body> tag"},
        {noBody, {"--bgsound", "a.wav"}, "cannot add a background sound: the file has no <body> tag"},
        {ReadFileBytes(kExamples + "index.htm"), {"--text", "red"}, "cannot set text: the file's <body> tag is inside"},
        {noBody, {"--title", "Fine", "--link", "red"}, "cannot set link"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir.File("t.htm"), c.file);
        std::vector<std::string> args{"set", "t.htm"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        RunResult result = Run(args);
        EXPECT_EQ(1, result.status) << c.options[0];
        EXPECT_EQ(0u, result.err.find("t.htm: not saved: " + c.message)) << result.err;
        EXPECT_EQ(c.file, Bytes("t.htm")) << c.options[0];
    }

    // Removing what a file does not have is no change, not a refusal.
    WriteFileBytes(dir.File("t.htm"), noBody);
    RunResult result = Run({"set", "t.htm", "--bgcolor", "none", "--no-background", "--no-stylesheet"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("t.htm: unchanged\n", result.out);
}

TEST_F(CliTest, SavingAFramePageWarnsWhatItsLayoutLoses)
{
    RunResult result = Run({"set", "index.htm", "--title", "Report Writer"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("index.htm: warning: the frame layout is written anew from its frames; the frameset's own border "
              "attributes and any <noframes> content are not kept\n",
              result.err);
    EXPECT_NE(std::string::npos, Bytes("index.htm").find("<title>Report Writer</title>"));
    EXPECT_EQ("", Run({"set", "printing.htm", "--title", "No frames here"}).err);
}

TEST_F(CliTest, SetOutputWritesACopyWithTheBackgroundRelativeToIt)
{
    fs::create_directory(dir.File("sub"));
    RunResult result = Run({"set", "printing.htm", "-o", "sub/copy.htm", "--watermark", "on"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("sub/copy.htm: written\n", result.out);
    EXPECT_EQ(printing, Bytes("printing.htm"));
    EXPECT_EQ(Replace(CanonicalPrinting(printing), kCanonicalBody,
                      "<body bgcolor=\"#FFFFF0\" text=\"black\" link=\"#0000cc\" vlink=\"purple\" "
                      "background=\"../images/paper.gif\" bgproperties=\"fixed\">"),
              Bytes("sub/copy.htm"));
}

TEST_F(CliTest, UsageErrorsExitTwoAndTouchNothing)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"show"},
        {"set", "printing.htm"},
        {"set", "printing.htm", "--bgcolor", "blu"},
        {"set", "printing.htm", "--bgcolor", "#fff"},
        {"set", "printing.htm", "--text", ""},
        {"set", "printing.htm", "--loop", "3"},
        {"set", "printing.htm", "--bgsound", "a.wav", "--loop", "0"},
        {"set", "printing.htm", "--watermark", "maybe"},
        {"set", "printing.htm", "--stylesheet", "a.css", "--no-stylesheet"},
        {"set", "printing.htm", "index.htm", "-o", "x.htm", "--title", "x"},
        {"set", "printing.htm", "--title", "x", "--yes", "--no"},
        {"show", "printing.htm", "--jobs", "0"},
        {"new", "x.htm", "--template", "fancy"},
        {"objects", "printing.htm", "--delete", "a", "--json"},
    };
    for (const auto& args : cases) {
        RunResult result = Run(args);
        std::string shown = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(2, result.status) << shown;
        EXPECT_EQ(0u, result.err.find("htmltopic: ")) << shown << ": " << result.err;
        EXPECT_EQ("", result.out) << shown;
    }
    EXPECT_EQ(printing, Bytes("printing.htm"));
    EXPECT_FALSE(fs::exists(dir.File("x.htm")));
}

TEST_F(CliTest, HelpAndVersionExitZero)
{
    RunResult version = Run({"--version"});
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::string("htmltopic ") + HTMLFILE_VERSION + "\n", version.out);
    for (const char* command : {"show", "set", "new", "objects", "maps"}) {
        RunResult help = Run({command, "--help"});
        EXPECT_EQ(0, help.status) << command;
        EXPECT_NE(std::string::npos, help.out.find(std::string("htmltopic ") + command)) << help.out;
    }
}

TEST_F(CliTest, AFolderIsWalkedInOrderAndBrokenEntriesFailAlone)
{
    fs::create_directories(dir.File("help/sub"));
    fs::create_directories(dir.File("help/folder.htm"));
    WriteFileBytes(dir.File("help/sub/b.HTML"), printing);
    WriteFileBytes(dir.File("help/a.htm"), printing);
    WriteFileBytes(dir.File("help/folder.htm/c.htm"), printing);
    WriteFileBytes(dir.File("help/notes.txt"), "not a topic");
    fs::create_symlink("nowhere.htm", dir.File("help/broken.htm"));

    RunResult result = Run({"show", "--json", "help", "missing.htm"});
    EXPECT_EQ(1, result.status);
    std::istringstream lines(result.out);
    std::vector<std::string> files;
    for (std::string line; std::getline(lines, line);) files.push_back(nlohmann::json::parse(line)["file"]);
    EXPECT_EQ((std::vector<std::string>{"help/a.htm", "help/folder.htm/c.htm", "help/sub/b.HTML"}), files);
    EXPECT_EQ("help/broken.htm: missing (broken symbolic link)\nmissing.htm: missing\n", result.err);

    result = Run({"set", "help", "--title", "Same everywhere", "--jobs", "2"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("help/a.htm: saved\nhelp/folder.htm/c.htm: saved\nhelp/sub/b.HTML: saved\n", result.out);
    EXPECT_NE(std::string::npos, Bytes("help/sub/b.HTML").find("<title>Same everywhere</title>"));
}

TEST_F(CliTest, ManyFilesOnSeveralThreadsKeepTheInputOrder)
{
    std::vector<std::string> args{"set", "--jobs", "4", "--title", "Parallel"};
    std::string expectedOut;
    for (int i = 0; i < 24; ++i) {
        // Names that sort differently from the argument order.
        std::string name = "t" + std::to_string((i * 7) % 24) + ".htm";
        WriteFileBytes(dir.File(name), printing);
        args.push_back(name);
        expectedOut += name + ": saved\n";
    }
    RunResult result = Run(args);
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ(expectedOut, result.out);
    std::string expected = Replace(CanonicalPrinting(printing), "Printing a report</title>", "Parallel</title>");
    for (int i = 0; i < 24; ++i) EXPECT_EQ(expected, Bytes("t" + std::to_string(i) + ".htm"));
}

TEST_F(CliTest, NewCreatesFromATemplateAndNeverOverwritesUnasked)
{
    RunResult result =
        Run({"new", "n.htm", "--template", "titled", "--title", "Fish & chips", "--stylesheet", "s.css"});
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("n.htm: created\n", result.out);
    const std::string created = "<html>\r\n\r\n<head>\r\n"
                                "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                                "<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n"
                                "<link rel=\"stylesheet\" href=\"s.css\" type=\"text/css\" />\r\n"
                                "<title>Fish &amp; chips</title>\r\n"
                                "</head>\r\n<body>\r\n</body>\r\n</html>\r\n";
    EXPECT_EQ(created, Bytes("n.htm"));

    result = Run({"new", "n.htm"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("n.htm: already exists (use --force to overwrite it)\n", result.err);
    EXPECT_EQ(created, Bytes("n.htm"));

    result = Run({"new", "b.htm", "--template", "bare", "--title", "No place for it"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("b.htm: not created: cannot set the title: the file has no <title> element\n", result.err);
    EXPECT_FALSE(fs::exists(dir.File("b.htm")));

    result = Run({"new", "n.htm", "--force", "--title", "Standard"});
    EXPECT_EQ(0, result.status) << result.err;
    std::string standard = Bytes("n.htm");
    EXPECT_NE(std::string::npos,
              standard.find("<title>Standard</title>\r\n<link rel=\"stylesheet\" href=\"default.css\""));
    EXPECT_NE(std::string::npos, standard.find("<h1>Standard</h1>"));

    // Every template file the runs made in TMPDIR (the test folder) is gone.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_NE(0u, entry.path().filename().string().rfind("QL", 0)) << entry.path();
}

TEST_F(CliTest, ObjectsAndMapsListAndDeleteById)
{
    RunResult maps = Run({"maps", "printing.htm"});
    EXPECT_EQ(0, maps.status);
    EXPECT_EQ("toolbar (3 areas)\n"
              "  rect 0,0,24,24 -> new.htm \"New report\"\n"
              "  rect 26,0,50,24 -> open.htm \"Open a report\"\n"
              "  rect 52,0,76,24 -> printing.htm#top \"Print\" target=_self\n",
              maps.out);

    std::string withId = Replace(printing, "<object type", "<object id=\"keywords\" type");
    WriteFileBytes(dir.File("printing.htm"), withId);
    RunResult missing = Run({"objects", "printing.htm", "--delete", "nothing"});
    EXPECT_EQ(1, missing.status);
    EXPECT_EQ("printing.htm: no object with id 'nothing'\n", missing.err);
    EXPECT_EQ(withId, Bytes("printing.htm"));

    RunResult deleted = Run({"objects", "printing.htm", "--delete", "KEYWORDS"});
    EXPECT_EQ(0, deleted.status) << deleted.err;
    EXPECT_EQ("printing.htm: deleted object 'KEYWORDS'\n", deleted.out);
    std::string expected = CanonicalPrinting(Replace(withId, "<object id=\"keywords\" type", "<object type"));
    size_t begin = expected.find("<OBJECT"), end = expected.find("</OBJECT>") + 9;
    EXPECT_EQ(expected.erase(begin, end - begin), Bytes("printing.htm"));
    EXPECT_EQ("no objects\n", Run({"objects", "printing.htm"}).out);
}

// A file that another program changes between the tool's reading and its
// saving: staged through the core, since one run of the tool leaves no gap.
class ChangedOnDisk : public CliTest {
protected:
    void ChangeBehindTheDocumentsBack()
    {
        long before = ModificationTime(dir.WideFile("printing.htm"));
        WriteFileBytes(dir.File("printing.htm"), theirs);
        SetModificationTime(dir.WideFile("printing.htm"), before + 10);
    }
    htmltopic::SaveResult SaveTitle(htmltopic::OverwriteAnswer answer, htmltopic::TopicDocument& doc)
    {
        htmltopic::InstallOverwritePrompt(answer);
        htmltopic::EditRequest request;
        request.title = "Ours";
        EXPECT_TRUE(htmltopic::ApplyEdits(doc, request).changed);
        ChangeBehindTheDocumentsBack();
        auto reapply = [&](htmltopic::TopicDocument& again) {
            return htmltopic::ApplyEdits(again, request).refusals.empty() ? "" : "refused";
        };
        htmltopic::SaveResult result = htmltopic::SaveInPlace(doc, "printing.htm", reapply);
        htmltopic::InstallOverwritePrompt(htmltopic::OverwriteAnswer::No);
        return result;
    }

    const std::string theirs = Replace(printing, "<h1>", "<h1 class=\"theirs\">");
};

TEST_F(ChangedOnDisk, AnsweredNoIsNotSavedAndSaysWhy)
{
    htmltopic::TopicDocument doc(dir.File("printing.htm"));
    htmltopic::SaveResult result = SaveTitle(htmltopic::OverwriteAnswer::No, doc);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ("not saved: printing.htm changed on disk since it was read", result.reason);
    EXPECT_EQ(theirs, Bytes("printing.htm"));

    // Without --yes or --no and without a terminal on stdin the answer is No.
    htmltopic::TopicDocument again(dir.File("printing.htm"));
    EXPECT_FALSE(SaveTitle(htmltopic::OverwriteAnswer::AskOrNo, again).saved);
    EXPECT_EQ(theirs, Bytes("printing.htm"));
}

TEST_F(ChangedOnDisk, AnsweredYesKeepsTheirChangeAndAddsOurs)
{
    htmltopic::TopicDocument doc(dir.File("printing.htm"));
    htmltopic::SaveResult result = SaveTitle(htmltopic::OverwriteAnswer::Yes, doc);
    EXPECT_TRUE(result.saved) << result.reason;
    EXPECT_EQ(Replace(CanonicalPrinting(theirs), "Printing a report</title>", "Ours</title>"), Bytes("printing.htm"));
}
