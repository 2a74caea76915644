// `htmltopic check` and `keywords` on whole projects: the example project's exact reports, a table of how references
// resolve, line and column in every line-end style and encoding, exit statuses, and the index of the shared corpus
// compared with an independent reader's.
#include <support/Helpers.h>
#include <support/JsonLines.h>
#include <support/Spawn.h>

#include <CommandLine.h>
#include <ReferenceResolution.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

// Runs the tool's command line in this process, in `folder`, so that the paths it prints are the relative ones given.
ProcessResult RunIn(const std::string& folder, std::vector<std::string> args)
{
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    args.insert(args.begin(), "htmltopic");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ProcessResult result;
    result.status = htmltopic::RunCommandLine(static_cast<int>(argv.size()), argv.data());
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    fs::current_path(before);
    return result;
}

void WriteFile(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    fs::create_directories(fs::path(dir.File(name)).parent_path());
    WriteBytes(dir.File(name), bytes);
}

} // namespace

TEST(CheckExample, ReportsOneProblemOfEachKindAsTextAndJson)
{
    ProcessResult text = RunIn(HTMLFILE_SOURCE_DIR, {"check", "examples/help"});
    EXPECT_EQ(1, text.status);
    EXPECT_EQ("", text.err);
    EXPECT_EQ("examples/help/banner.htm:8:1: outside the project: ../../README.md\n"
              "examples/help/contents.hhc:29:3: missing file: glossary.htm\n"
              "examples/help/new.htm:12:59: missing bookmark: printing.htm#preview\n"
              "examples/help/open.htm:12:4: missing map: #open-buttons\n"
              "examples/help/page_setup.htm:14:2: case differs: Printers.htm\n"
              "checked 10 topics, 44 references: 1 missing file, 1 missing bookmark, 1 missing map, "
              "1 reference outside the project, 1 case difference\n", text.out);

    ProcessResult json = RunIn(HTMLFILE_SOURCE_DIR, {"check", "--json", "--jobs", "2", "examples/help"});
    EXPECT_EQ(1, json.status);
    EXPECT_EQ(
        R"({"file":"examples/help/banner.htm","line":8,"column":1,"kind":"outside the project","reference":"../../README.md","target":"README.md"}
{"file":"examples/help/contents.hhc","line":29,"column":3,"kind":"missing file","reference":"glossary.htm","target":"examples/help/glossary.htm"}
{"file":"examples/help/new.htm","line":12,"column":59,"kind":"missing bookmark","reference":"printing.htm#preview","target":"examples/help/printing.htm"}
{"file":"examples/help/open.htm","line":12,"column":4,"kind":"missing map","reference":"#open-buttons","target":null}
{"file":"examples/help/page_setup.htm","line":14,"column":2,"kind":"case differs","reference":"Printers.htm","target":"examples/help/printers.htm"}
{"summary":{"topics":10,"references":44,"errors":4,"warnings":1,"unreadable":0,"by_kind":{"outside the project":1,"missing file":1,"case differs":1,"missing bookmark":1,"missing map":1}}}
)",
        json.out);

    // A topic given alone reads the topics it links to, which are not reported.
    ProcessResult result = RunIn(HTMLFILE_SOURCE_DIR "/examples/help", {"check", "new.htm"});
    EXPECT_EQ("new.htm:12:59: missing bookmark: printing.htm#preview\nchecked 1 topic, 3 references: 1 missing bookmark\n",
              result.out);
}

TEST(KeywordsExample, PrintsTheIndexByKeywordAndByTopic)
{
    ProcessResult index = RunIn(HTMLFILE_SOURCE_DIR "/examples/help", {"keywords", "."});
    EXPECT_EQ(0, index.status);
    EXPECT_EQ("margins\n  ./page_setup.htm (Page setup)\n"
              "new report\n  ./new.htm (Creating a report)\n"
              "Opening files\n  ./open.htm (Opening a report)\n"
              "page setup\n  ./page_setup.htm (Page setup)\n"
              "printers\n  ./printers.htm (Choosing a printer)\n"
              "Printing\n  ./page_setup.htm (Page setup)\n"
              "printing\n  ./printers.htm (Choosing a printer)\n  ./printing.htm (Printing a report)\n"
              "reports, creating\n  ./new.htm (Creating a report)\n"
              "reports, opening\n  ./open.htm (Opening a report)\n"
              "reports, printing\n  ./printing.htm (Printing a report)\n", index.out);

    ProcessResult byTopic = RunIn(HTMLFILE_SOURCE_DIR "/examples/help",
                              {"keywords", "--by-topic", "--json", "printing.htm", "page_setup.htm", "index.htm"});
    EXPECT_EQ(R"({"file":"page_setup.htm","title":"Page setup","keywords":["margins","page setup","Printing"]}
{"file":"printing.htm","title":"Printing a report","keywords":["printing","reports, printing"]}
)",
              byTopic.out);

    ProcessResult json = RunIn(HTMLFILE_SOURCE_DIR "/examples/help", {"keywords", "--json", "printers.htm", "printing.htm"});
    EXPECT_EQ(R"({"keyword":"printers","topics":[{"file":"printers.htm","title":"Choosing a printer"}]}
{"keyword":"printing","topics":[{"file":"printers.htm","title":"Choosing a printer"},{"file":"printing.htm","title":"Printing a report"}]}
{"keyword":"reports, printing","topics":[{"file":"printing.htm","title":"Printing a report"}]}
)",
              json.out);
}

// Only the Keyword parameters of keyword objects count; values are read with their character references, titles as a
// browser shows them.
TEST(KeywordsTopic, ReadsKeywordObjectsOnly)
{
    TempDir dir;
    WriteFile(dir, "t.htm",
              "<title>\r\n  Two\tlines \n</title>\n"
              "<OBJECT TYPE=application/x-oleobject CLASSID=CLSID:1E2A7BD0-DAB9-11D0-B93A-00C04FC99F9E>\n"
              "<PARAM NAME=keyword VALUE=\"Fish &amp; chips\"><param name=Keyword><param name=ALink value=x>\n"
              "</object><param name=Keyword value=after>\n"
              "<object classid=clsid:0><param name=Keyword value=other></object>\n"
              "<object classid=clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e><param name=Keyword value=\"\"></object>");
    ProcessResult result = RunIn(dir.Path(), {"keywords", "--by-topic", "--json", "t.htm"});
    EXPECT_EQ(R"({"file":"t.htm","title":"Two lines","keywords":["","Fish & chips"]})" "\n", result.out);
}

// Each reference is one link of topics/a.htm on a line of its own, grouped by the problem expected for it: "" for
// none, "scheme" for one that is not checked.
TEST(CheckResolution, ResolvesReferencesAsABrowserDoes)
{
    const std::pair<std::string, std::vector<std::string>> groups[] = {
        {"", {"b.htm", "./b.htm", "../topics/./b.htm", "..\\topics\\b.htm", "..\\images\\pic.gif", "sub/../b.htm",
              "my%20topic.htm", "my topic.htm", "caf%C3%A9.htm", "café.htm", "b.htm?x#y", "b.htm?a=1&amp;b=2#x",
              "b.htm#x", "b.htm#y", "b.htm#", "#here", "#top", "?query", ""}},
        {"missing file", {"my%2520topic.htm", "none.htm#x", "sub", "sub/", "b.htm/"}},
        {"missing bookmark", {"b.htm?x#z", "b.htm#X", "b.htm#z", "#nowhere"}},
        {"case differs", {"B.htm", "B.htm#z", "../Topics/b.htm"}},
        {"outside the project", {"../../outside.htm", "../../outside/none.htm", "/etc/hosts"}},
        {"scheme", {"http://example.com/none.htm", "HTTPS://example.com/", "mailto:help@example.com",
                    "javascript:void(0)", "ms-its:help.chm::/none.htm", "mk:@MSITStore:help.chm::/none.htm",
                    "res://shell32.dll/none", "//server/share/none.htm"}},
    };
    std::string topic = "<p><a name=here></a>\n";
    std::vector<std::pair<std::string, std::string>> cases; // reference and problem of line i + 2
    size_t checked = 0;
    for (const auto& [problem, references] : groups) {
        checked += problem == "scheme" ? 0 : references.size();
        for (const std::string& reference : references) {
            topic += "<a href=\"" + reference + "\">x</a>\n";
            cases.emplace_back(reference, problem == "scheme" ? "" : problem);
        }
    }
    TempDir dir;
    WriteFile(dir, "project/topics/a.htm", topic);
    WriteFile(dir, "project/topics/b.htm", "<a name=x></a><p id=y>");
    for (const char* name : {"project/topics/my topic.htm", "project/topics/café.htm", "project/images/pic.gif"})
        WriteFile(dir, name, "");
    fs::create_directories(dir.File("project/topics/sub"));

    ProcessResult result =
        RunIn(dir.Path(), {"check", "--json", "project/topics/a.htm", "project/topics/b.htm", "project/images"});
    std::map<int, std::string> found;
    std::vector<nlohmann::json> lines = JsonLines(result.out);
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        found[lines[i]["line"].get<int>()] = lines[i]["kind"].get<std::string>();
    for (size_t i = 0; i < cases.size(); ++i) {
        const int line = static_cast<int>(i) + 2;
        EXPECT_EQ(cases[i].second, found.count(line) ? found[line] : "") << cases[i].first;
    }
    EXPECT_EQ(checked, lines.back()["summary"]["references"].get<size_t>());
}

// The folders given are taken as the system resolves them, so a project reached through ".." or a link checks as it
// does directly; a name is found through its percent-encoding and comes out losslessly: on POSIX one that is not
// UTF-8, on Windows (whose names are UTF-16, and whose links need a privilege) one in UTF-8.
TEST(CheckPaths, ProjectThroughDotsAndLinksWithNamesThatAreNotUtf8)
{
#ifdef _WIN32
    const std::string name = "caf\xc3\xa9.htm", reference = "caf%C3%A9.htm", shown = name, json = name;
    const std::vector<std::string> folders = {"./help/../help"};
#else
    const std::string name = "caf\xe9.htm", reference = "caf%E9.htm", shown = "caf\\xE9.htm", json = "caf\\udce9.htm";
    const std::vector<std::string> folders = {"./help/../help", "linked"};
#endif
    TempDir dir;
    WriteFile(dir, "help/a.htm", "<a href=\"" + reference + "#x\">c</a>\n<a href=\"b.htm\">b</a>");
    WriteFile(dir, "help/b.htm", "<a href=\"a.htm\">a</a>");
    WriteFile(dir, "help/" + name, "<a href=missing.htm>m</a>");
#ifndef _WIN32
    fs::create_directory_symlink("help", dir.File("linked"));
#endif
    for (const std::string& folder : folders) {
        ProcessResult result = RunIn(dir.Path(), {"check", folder});
        EXPECT_EQ(folder + "/a.htm:1:1: missing bookmark: " + reference + "#x\n" + folder + "/" + shown +
                      ":1:1: missing file: missing.htm\n"
                      "checked 3 topics, 4 references: 1 missing file, 1 missing bookmark\n", result.out);
    }
    ProcessResult result = RunIn(dir.Path(), {"check", "--json", "help"});
    EXPECT_EQ("{\"file\":\"help/a.htm\",\"line\":1,\"column\":1,\"kind\":\"missing bookmark\",\"reference\":\"" +
                  reference + "#x\",\"target\":\"help/" + json + "\"}\n" + "{\"file\":\"help/" + json +
                  "\",\"line\":1,\"column\":1,\"kind\":\"missing file\",\"reference\":\"missing.htm\",\"target\":"
                  "\"help/missing.htm\"}\n", result.out.substr(0, result.out.find("{\"summary\"")));
}

// The same tags after every kind of line end, in UTF-8 and in UTF-16: the column counts characters, not bytes.
TEST(CheckPositions, LineAndColumnOfTheTagInEveryLineEndStyleAndEncoding)
{
    const std::u16string text = u"<a href=n1>\r\n<p>\u00e9\u4e2d<a href=n2>\r<a href=n3>\n\n  <img usemap=#n4>";
    std::string utf8 = "<a href=n1>\r\n<p>\xc3\xa9\xe4\xb8\xad<a href=n2>\r<a href=n3>\n\n  <img usemap=#n4>";
    std::string utf16 = "\xff\xfe";
    for (char16_t c : text) utf16 += {static_cast<char>(c & 0xff), static_cast<char>(c >> 8)};
    for (const std::string& bytes : {utf8, utf16}) {
        TempDir dir;
        WriteFile(dir, "t.htm", bytes);
        ProcessResult result = RunIn(dir.Path(), {"check", "t.htm"});
        EXPECT_EQ("t.htm:1:1: missing file: n1\nt.htm:2:6: missing file: n2\nt.htm:3:1: missing file: n3\n"
                  "t.htm:5:3: missing map: #n4\nchecked 1 topic, 4 references: 3 missing files, 1 missing map\n",
                  result.out);
    }
}

TEST(CheckStatus, WarningsPassErrorsAndUnreadableTopicsFailUsageErrorsAreTwo)
{
    TempDir dir;
    WriteFile(dir, "help/a.htm", "<a href=\"B.htm\">b</a>");
    WriteFile(dir, "help/b.htm", "<a href=\"a.htm\">a</a>");
    ProcessResult warning = RunIn(dir.Path(), {"check", "help"});
    EXPECT_EQ(0, warning.status);
    EXPECT_EQ("help/a.htm:1:1: case differs: B.htm\nchecked 2 topics, 2 references: 1 case difference\n", warning.out);
    EXPECT_EQ(1, RunIn(dir.Path(), {"check", "--case-sensitive", "help"}).status);
    ProcessResult clean = RunIn(dir.Path(), {"check", "help/b.htm"});
    EXPECT_EQ(0, clean.status);
    EXPECT_EQ("checked 1 topic, 1 reference: no problems\n", clean.out);

#ifndef _WIN32 // symbolic links need a privilege on Windows
    fs::create_symlink("nowhere.htm", dir.File("help/c.htm"));
    ProcessResult unreadable = RunIn(dir.Path(), {"check", "--json", "help"});
    EXPECT_EQ(1, unreadable.status);
    EXPECT_EQ("help/c.htm: missing (broken symbolic link)\n", unreadable.err);
    EXPECT_EQ(1, JsonLines(unreadable.out).back()["summary"]["unreadable"]);
    ProcessResult keywords = RunIn(dir.Path(), {"keywords", "help"});
    EXPECT_EQ(1, keywords.status);
    EXPECT_EQ("", keywords.out);
#endif

    EXPECT_EQ(2, RunIn(dir.Path(), {"check"}).status);
    EXPECT_EQ(2, RunIn(dir.Path(), {"check", "--jobs", "0", "help"}).status);
    EXPECT_EQ(2, RunIn(dir.Path(), {"keywords", "--case-sensitive", "help"}).status);
}

// The keywords of every topic of the shared corpus, as Python's own HTML parser reads them
// (tests/support/keywords_reference.py).
TEST(KeywordsCorpus, AgreesWithAnIndependentReader)
{
    const std::string corpus = HTMLFILE_SHARED_DIR "/corpus";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no shared corpus at " << corpus;
    if (RunProcess("python3", {"-c", ""}).status != 0) GTEST_SKIP() << "python3 cannot be run here";
    const ProcessResult reference = RunProcess("python3", {HTMLFILE_SOURCE_DIR "/tests/support/keywords_reference.py", corpus});
    ASSERT_EQ(0, reference.status) << reference.err;
    std::map<std::string, std::vector<std::string>> expected, found;
    for (const nlohmann::json& line : JsonLines(reference.out))
        expected[line["keyword"]] = line["files"].get<std::vector<std::string>>();

    ProcessResult result = RunIn(".", {"keywords", "--json", corpus});
    for (const nlohmann::json& line : JsonLines(result.out))
        for (const nlohmann::json& topic : line["topics"]) found[line["keyword"]].push_back(topic["file"]);
    EXPECT_GT(expected.size(), 200u);
    EXPECT_EQ(expected, found);
}

// Windows paths are resolved in the project's form "/C:/..." (and "/server/share/..." for a network path), so that
// ".." and the project's roots work as on POSIX, and are handed back to the system as they were.
TEST(CheckResolution, WindowsPathsInTheProjectsForm)
{
#ifndef _WIN32
    GTEST_SKIP() << "a POSIX path is in the project's form as it stands";
#else
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"C:\\help\\a.htm", "/C:/help/a.htm", "C:/help/a.htm"}, {"C:/help/sub/", "/C:/help/sub/", "C:/help/sub/"},
        {"C:\\", "/C:/", "C:/"}, {"\\\\server\\share\\a.htm", "/server/share/a.htm", "//server/share/a.htm"},
    };
    for (const auto& [native, project, back] : cases) {
        EXPECT_EQ(project, htmltopic::ProjectPath(native));
        EXPECT_EQ(back, htmltopic::NativePath(project));
    }
    EXPECT_EQ("C:/", htmltopic::NativePath("/C:"));
    EXPECT_EQ("/C:/help/a.htm", htmltopic::ResolveReferencePath("/C:/help/sub", "../a.htm"));
    EXPECT_FALSE(htmltopic::IsWithinFolder(htmltopic::ResolveReferencePath("/C:/help", "../../../x.htm"), "/C:/help"));
#endif
}
