// htmltopic against the ways people really keep their topics: two runs saving one file at once, names in any script
// and names that are not UTF-8, absolute names, paths through links, read-only files, another user's file in a shared
// folder, interruptions.
#include <support/Helpers.h>
#include <support/JsonLines.h>
#include <support/Spawn.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

const std::string kExample = HTMLFILE_SOURCE_DIR "/examples/help/printing.htm";

// Runs the tool in the folder, stdin empty.
ProcessResult Tool(const TempDir& dir, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment = {})
{
    return RunProcess(HTMLTOPIC_PATH, args, dir.Path(), environment);
}

// Temporary files a save may leave: none may be left.
bool NoTemporariesLeft(const std::string& folder)
{
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().u8string();
        if (name.rfind("QL", 0) == 0 && name.size() == 10 && name.substr(6) == ".tmp") return false;
    }
    return true;
}

// What `set --title T` makes of the example, run alone.
std::string SavedAlone(const TempDir& dir, const std::string& title)
{
    WriteBytes(dir.File("alone.htm"), ReadBytes(kExample));
    EXPECT_EQ(0, Tool(dir, {"set", "alone.htm", "--title", title}).status);
    std::string bytes = ReadBytes(dir.File("alone.htm"));
    fs::remove(dir.File("alone.htm"));
    return bytes;
}

// The examples copied to dir/d under the names given.
void CopiesIn(const TempDir& dir, const std::vector<std::string>& names)
{
    fs::create_directory(fs::u8path(dir.File("d")));
    for (const std::string& name : names) WriteBytes(dir.File(name), ReadBytes(kExample));
}

TEST(CliSafety, TwoRunsSavingOneTopicNeverSplice)
{
    TempDir dir;
    const std::string titles[2] = {"a", std::string(40, 'B')};
    const std::string alone[2] = {SavedAlone(dir, titles[0]), SavedAlone(dir, titles[1])};
#ifdef _WIN32
    const int nRounds = 50; // starting a process under Wine is slow
#else
    const int nRounds = 200;
#endif
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        WriteBytes(dir.File("t.htm"), ReadBytes(kExample));
        {
            ChildProcess first(HTMLTOPIC_PATH, {"set", "t.htm", "--title", titles[0]},
                               {dir.Path(), {}, dir.File("o0"), dir.File("e0")});
            ChildProcess second(HTMLTOPIC_PATH, {"set", "t.htm", "--title", titles[1]},
                                {dir.Path(), {}, dir.File("o1"), dir.File("e1")});
        }
        const std::string result = ReadBytes(dir.File("t.htm"));
        const bool saved[2] = {ReadBytes(dir.File("o0")) == "t.htm: saved\n", ReadBytes(dir.File("o1")) == "t.htm: saved\n"};
        ASSERT_TRUE(result == alone[0] || result == alone[1]) << "round " << nRound << ":\n" << result;
        ASSERT_TRUE(saved[0] || saved[1]) << "round " << nRound << ": " << ReadBytes(dir.File("e0"))
                                          << ReadBytes(dir.File("e1"));
        // A run that said saved and was not followed by the other's save left its own text.
        for (int i = 0; i < 2; ++i) {
            if (saved[i] && !saved[1 - i]) { ASSERT_EQ(alone[i], result) << "round " << nRound; }
        }
        ASSERT_TRUE(NoTemporariesLeft(dir.Path()));
    }
}

// Each name is handled once, shown with its bytes outside UTF-8 as \xXX, and given in JSON with each such byte as
// \udcXX, so that a reader that keeps lone surrogates gets the exact name back.
TEST(CliSafety, NamesThatAreNotUtf8AreEachHandledOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows names are UTF-16, never bytes outside UTF-8 (NamesInAnyScript covers their lone surrogates)";
#else
    TempDir dir;
    const std::vector<std::string> names = {"d/r\xe9sum\xe9.htm", "d/r\xc3\xa9sum\xef\xbf\xbd.htm", "d/bad\xff.htm"};
    CopiesIn(dir, names);
    const ProcessResult set = Tool(dir, {"set", "d", "--title", "Renamed"});
    EXPECT_EQ("d/bad\\xFF.htm: saved\nd/r\xc3\xa9sum\xef\xbf\xbd.htm: saved\nd/r\\xE9sum\\xE9.htm: saved\n", set.out);
    for (const std::string& name : names)
        EXPECT_NE(std::string::npos, ReadBytes(dir.File(name)).find("<title>Renamed</title>")) << name;

    std::istringstream lines(Tool(dir, {"show", "--json", "d"}).out);
    std::string files;
    for (std::string line; std::getline(lines, line);) files += line.substr(0, line.find(",\"valid\"")) + "\n";
    EXPECT_EQ("{\"file\":\"d/bad\\udcff.htm\"\n{\"file\":\"d/r\xc3\xa9sum\xef\xbf\xbd.htm\"\n"
              "{\"file\":\"d/r\\udce9sum\\udce9.htm\"\n", files);
#endif
}

// Names in other scripts and beyond U+FFFF reach the library and come back in the output unchanged: on Windows
// through the wide arguments and wide file system calls, whatever the ANSI code page. Redirected output is UTF-8.
TEST(CliSafety, NamesInAnyScript)
{
    TempDir dir;
    const std::vector<std::string> names = {"d/caf\xc3\xa9.htm", "d/\xe5\xb8\xae\xe5\x8a\xa9.htm",
                                            "d/\xf0\x9f\x93\x96.htm"};
    CopiesIn(dir, names);
    const std::string title = "\xc3\x9c" "ber \xe5\xb8\xae\xe5\x8a\xa9 \xf0\x9f\x93\x96";
    const ProcessResult set = Tool(dir, {"set", "--title", title, names[0], names[1], names[2]});
    EXPECT_EQ(0, set.status) << set.err;
    EXPECT_EQ(names[0] + ": saved\n" + names[1] + ": saved\n" + names[2] + ": saved\n", set.out);
    for (const std::string& name : names)
        EXPECT_NE(std::string::npos, ReadBytes(dir.File(name)).find("<title>" + title + "</title>")) << name;

    const ProcessResult show = Tool(dir, {"show", names[1]});
    EXPECT_EQ(0u, show.out.find(names[1] + "\n  valid HTML   yes\n")) << show.out;
    EXPECT_NE(std::string::npos, show.out.find("  title        " + title + "\n")) << show.out;

    // The walk finds the same names, in order of their UTF-8.
    std::vector<std::string> files;
    for (const auto& topic : JsonLines(Tool(dir, {"show", "--json", "d"}).out)) files.push_back(topic["file"]);
    EXPECT_EQ(names, files);
}

// A Windows name may hold a lone surrogate: the walk finds it, the library saves it, text shows it as \uDXXX and JSON
// as its own escape.
TEST(CliSafety, ANameWithALoneSurrogate)
{
#ifndef _WIN32
    GTEST_SKIP() << "POSIX names are bytes (NamesThatAreNotUtf8AreEachHandledOnce)";
#else
    TempDir dir;
    fs::create_directory(fs::u8path(dir.File("s")));
    const fs::path lone = fs::u8path(dir.File("s")) / std::wstring{L'x', wchar_t(0xD800), L'.', L'h', L't', L'm'};
    std::ofstream(lone, std::ios::binary) << ReadBytes(kExample);
    if (!fs::exists(lone)) GTEST_SKIP() << "this file system cannot hold a name with a lone surrogate (Wine's cannot)";
    const ProcessResult set = Tool(dir, {"set", "s", "--title", "Lone"});
    EXPECT_EQ("s/x\\uD800.htm: saved\n", set.out) << set.err;
    std::ifstream saved(lone, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, bytes.find("<title>Lone</title>"));
    const ProcessResult show = Tool(dir, {"show", "--json", "s"});
    EXPECT_EQ(0u, show.out.find("{\"file\":\"s/x\\ud800.htm\"")) << show.out << show.err;
#endif
}

// An absolute name is a file whatever its form: the system's own, and one rooted on the current drive ("\\x\\t.htm"
// on Windows; Wine reads "/x" as a Unix path). A name that looks like a Windows option is a file too.
TEST(CliSafety, AbsoluteNamesAreFiles)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), ReadBytes(kExample));
    const fs::path native = fs::absolute(fs::u8path(dir.File("t.htm"))).make_preferred();
    const std::string rooted = (native.root_directory() / native.relative_path()).u8string();
    for (const std::string& name : {rooted, native.u8string()}) {
        const ProcessResult show = Tool(dir, {"show", name});
        EXPECT_EQ(0, show.status) << name << ": " << show.err;
        EXPECT_EQ(0u, show.out.find(name + "\n  valid HTML   yes\n")) << show.out;
    }
    const ProcessResult option = Tool(dir, {"show", "t.htm", "/json"});
    EXPECT_EQ(1, option.status);
    EXPECT_EQ("/json: missing\n", option.err);
    EXPECT_EQ(0u, option.out.find("t.htm\n  valid HTML   yes\n")) << option.out;
}

// The system resolves ".." after following a link, and "\" is an ordinary character of a name on POSIX.
TEST(CliSafety, PathsAreResolvedByTheSystemNotAsText)
{
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows, and '\\' separates folders there";
#else
    TempDir dir;
    fs::create_directories(dir.File("other")), fs::create_directories(dir.File("elsewhere/sub"));
    fs::create_directory_symlink("../elsewhere/sub", dir.File("other/dl"));
    for (const char* name : {"other/x.htm", "elsewhere/x.htm", "a\\b.htm"}) WriteBytes(dir.File(name), ReadBytes(kExample));
    EXPECT_EQ(0, Tool(dir, {"set", "other/dl/../x.htm", "--title", "Linked"}).status);
    EXPECT_NE(std::string::npos, ReadBytes(dir.File("elsewhere/x.htm")).find("<title>Linked</title>"));
    EXPECT_EQ(ReadBytes(kExample), ReadBytes(dir.File("other/x.htm")));
    const ProcessResult backslash = Tool(dir, {"set", "a\\b.htm", "--title", "Slashed"});
    EXPECT_EQ("a\\b.htm: saved\n", backslash.out) << backslash.err;
    EXPECT_NE(std::string::npos, ReadBytes(dir.File("a\\b.htm")).find("<title>Slashed</title>"));
#endif
}

// Read-only is the permission bits on POSIX and the read-only attribute on Windows; removing the write permission
// sets either.
TEST(CliSafety, EveryRefusalNamesItsCause)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), ReadBytes(kExample));
    WriteBytes(dir.File("r.htm"), ReadBytes(kExample));
    WriteBytes(dir.File("out.htm"), "old");
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const char* name : {"r.htm", "out.htm"}) fs::permissions(fs::u8path(dir.File(name)), writable, fs::perm_options::remove);
    const ProcessResult readOnly = Tool(dir, {"set", "r.htm", "--title", "X"});
    EXPECT_EQ(1, readOnly.status);
    EXPECT_EQ("r.htm: not saved: read-only\n", readOnly.err);
    const ProcessResult copy = Tool(dir, {"set", "t.htm", "--title", "X", "-o", "out.htm"});
    EXPECT_EQ(1, copy.status);
    const std::string absoluteOut = (fs::u8path(dir.Path()) / "out.htm").make_preferred().u8string();
    EXPECT_EQ("out.htm: not saved: " + absoluteOut + " is read-only\n", copy.err);
    EXPECT_EQ("old", ReadBytes(dir.File("out.htm")));
    const ProcessResult noTemp = Tool(dir, {"new", "n.htm"}, TemporaryFolderVariables("/nonexistent/folder"));
    EXPECT_EQ(1, noTemp.status);
#ifdef _WIN32
    EXPECT_EQ(0u, noTemp.err.find("n.htm: not created: cannot create a new topic's file in ")) << noTemp.err;
#else
    EXPECT_EQ("n.htm: not created: cannot create a new topic's file in /nonexistent/folder/: No such file or directory\n",
              noTemp.err);
#endif
    EXPECT_FALSE(fs::exists(dir.File("n.htm")));
    for (const char* name : {"r.htm", "out.htm"}) fs::permissions(fs::u8path(dir.File(name)), writable, fs::perm_options::add);
}

// In a shared sticky folder, another user's topic that the saving user may write can't be replaced by a new file of
// the saver's; it is overwritten in place and keeps its owner.
TEST(CliSafety, AnotherUsersTopicInAStickyFolderIsSavedInPlace)
{
#ifdef _WIN32
    GTEST_SKIP() << "owners, sticky folders and setpriv are POSIX's";
#else
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to stage two users (setpriv)";
    TempDir dir;
    const std::string shared = dir.File("shared"), tool = dir.File("htmltopic"), topic = shared + "/t.htm";
    fs::create_directory(shared);
    fs::copy_file(HTMLTOPIC_PATH, tool);
    WriteBytes(topic, ReadBytes(kExample));
    ASSERT_EQ(0, ::chmod(dir.Path().c_str(), 0755) | ::chmod(shared.c_str(), 01777) | ::chmod(tool.c_str(), 0755) |
                     ::chown(topic.c_str(), 1234, 1234) | ::chmod(topic.c_str(), 0666));
    struct stat before {}, after {};
    ASSERT_EQ(0, ::stat(topic.c_str(), &before));

    const ProcessResult run = RunProcess("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", tool, "set",
                                                     "shared/t.htm", "--title", "Shared"}, dir.Path());
    EXPECT_EQ(0, run.status) << run.err;
    ASSERT_EQ(0, ::stat(topic.c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(1234u, after.st_uid);
    EXPECT_EQ(0666u, after.st_mode & 07777);
    EXPECT_NE(std::string::npos, ReadBytes(topic).find("<title>Shared</title>"));
    EXPECT_TRUE(NoTemporariesLeft(shared));
#endif
}

// Stopped in the middle of a folder (SIGTERM; Ctrl+Break on Windows), the tool finishes the file it is saving and
// leaves the rest alone: every topic is whole, old or new, and no temporary file stays.
TEST(CliSafety, AnInterruptedRunLeavesEveryFileWhole)
{
    TempDir dir;
    fs::create_directory(dir.File("many"));
    const std::string original = ReadBytes(kExample);
    for (int i = 0; i < 300; ++i) WriteBytes(dir.File("many/t" + std::to_string(i) + ".htm"), original);
    const std::string saved = SavedAlone(dir, "Stopped");
#ifdef _WIN32
    const int nStopped = 128 + SIGBREAK;
#else
    const int nStopped = 128 + SIGTERM;
#endif
    int status = -1;
    bool delivered = false;
    {
        ChildProcess child(HTMLTOPIC_PATH, {"set", "many", "--title", "Stopped", "--jobs", "2"},
                           {dir.Path(), {}, dir.File(".out"), dir.File(".err")});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        delivered = child.Interrupt();
        status = child.Wait();
    }
    const std::string err = ReadBytes(dir.File(".err"));
    EXPECT_TRUE(status == nStopped || status == 0) << status << err;
    int nSaved = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = ReadBytes(dir.File("many/t" + std::to_string(i) + ".htm"));
        ASSERT_TRUE(bytes == original || bytes == saved) << i;
        nSaved += bytes == saved;
    }
    if (status != 0) {
        EXPECT_LT(nSaved, 300);
        EXPECT_NE(std::string::npos, err.find("htmltopic: stopped"));
    }
    EXPECT_TRUE(NoTemporariesLeft(dir.Path()));
    if (!delivered) GTEST_SKIP() << "this console does not deliver Ctrl+Break to a process group";
}

} // namespace
