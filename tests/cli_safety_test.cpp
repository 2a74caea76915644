// htmltopic against the ways people really keep their topics: two runs
// saving one file at once, names that are not UTF-8, paths through links,
// read-only files, another user's file in a shared folder, interruptions.
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kExample = HTMLFILE_SOURCE_DIR "/examples/help/printing.htm";

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ShellRun {
    int status = -1;
    std::string out, err;
};

// Runs a shell command in the folder, stdin from /dev/null.
ShellRun Shell(const TempDir& dir, const std::string& command)
{
    const std::string out = dir.File(".out"), err = dir.File(".err");
    const int status = std::system(("cd " + Quoted(dir.Path()) + " && (" + command + ") </dev/null >" + Quoted(out) +
                                    " 2>" + Quoted(err))
                                       .c_str());
    ShellRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
    fs::remove(out), fs::remove(err);
    return run;
}

std::string Tool()
{
    return Quoted(HTMLTOPIC_PATH);
}

// Temporary files a save may leave: none may be left.
std::vector<std::string> LeftoverTemporaries(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("QL", 0) == 0 && name.size() == 10 && name.substr(6) == ".tmp") found.push_back(name);
    }
    return found;
}

// What `set --title T` makes of the example, run alone.
std::string SavedAlone(const TempDir& dir, const std::string& title)
{
    WriteBytes(dir.File("alone.htm"), ReadBytes(kExample));
    EXPECT_EQ(0, Shell(dir, Tool() + " set alone.htm --title " + Quoted(title)).status);
    std::string bytes = ReadBytes(dir.File("alone.htm"));
    fs::remove(dir.File("alone.htm"));
    return bytes;
}

TEST(CliSafety, TwoRunsSavingOneTopicNeverSplice)
{
    TempDir dir;
    const std::string titles[2] = {"a", std::string(40, 'B')};
    const std::string alone[2] = {SavedAlone(dir, titles[0]), SavedAlone(dir, titles[1])};
    const std::string both = Tool() + " set t.htm --title " + Quoted(titles[0]) + " >o0 2>&1 & " + Tool() +
                             " set t.htm --title " + Quoted(titles[1]) + " >o1 2>&1; wait";
    for (int nRound = 0; nRound < 200; ++nRound) {
        WriteBytes(dir.File("t.htm"), ReadBytes(kExample));
        Shell(dir, both);
        const std::string result = ReadBytes(dir.File("t.htm"));
        const bool saved[2] = {ReadBytes(dir.File("o0")) == "t.htm: saved\n", ReadBytes(dir.File("o1")) == "t.htm: saved\n"};
        ASSERT_TRUE(result == alone[0] || result == alone[1]) << "round " << nRound << ":\n" << result;
        ASSERT_TRUE(saved[0] || saved[1]) << "round " << nRound;
        // A run that said saved and was not followed by the other's save
        // left its own text.
        for (int i = 0; i < 2; ++i) {
            if (saved[i] && !saved[1 - i]) { ASSERT_EQ(alone[i], result) << "round " << nRound; }
        }
        ASSERT_TRUE(LeftoverTemporaries(dir.Path()).empty());
    }
}

// The "file" of a JSON line, read as a reader that keeps lone surrogates
// (Python's surrogateescape, say) reads it: \udcXX is the byte XX.
std::string FileNameOfJsonLine(const std::string& line)
{
    const std::string key = "{\"file\":\"";
    EXPECT_EQ(0u, line.rfind(key, 0)) << line;
    std::string name;
    for (size_t i = key.size(); i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\') {
            name += line[i];
        } else if (line.compare(i + 1, 3, "udc") == 0) {
            name += static_cast<char>(std::stoi(line.substr(i + 4, 2), nullptr, 16));
            i += 5;
        } else {
            name += line[++i];
        }
    }
    return name;
}

TEST(CliSafety, NamesThatAreNotUtf8AreEachHandledOnce)
{
    TempDir dir;
    fs::create_directory(dir.File("d"));
    const std::string latin1 = "d/r\xe9sum\xe9.htm", replaced = "d/r\xc3\xa9sum\xef\xbf\xbd.htm", bad = "d/bad\xff.htm";
    for (const std::string& name : {latin1, replaced, bad}) WriteBytes(dir.File(name), ReadBytes(kExample));

    const ShellRun show = Shell(dir, Tool() + " show d");
    EXPECT_EQ(0, show.status) << show.err;
    EXPECT_NE(std::string::npos, show.out.find("d/bad\\xFF.htm\n"));
    EXPECT_NE(std::string::npos, show.out.find("\nd/r\\xE9sum\\xE9.htm\n"));
    EXPECT_NE(std::string::npos, show.out.find("\nd/r\xc3\xa9sum\xef\xbf\xbd.htm\n"));

    const ShellRun set = Shell(dir, Tool() + " set d --title Renamed");
    EXPECT_EQ("d/bad\\xFF.htm: saved\nd/r\xc3\xa9sum\xef\xbf\xbd.htm: saved\nd/r\\xE9sum\\xE9.htm: saved\n", set.out);
    for (const std::string& name : {latin1, replaced, bad})
        EXPECT_NE(std::string::npos, ReadBytes(dir.File(name)).find("<title>Renamed</title>")) << name;

    // JSON gives each byte outside UTF-8 as \udcXX: the exact name comes back.
    const ShellRun json = Shell(dir, Tool() + " show --json d");
    std::set<std::string> names;
    std::istringstream lines(json.out);
    for (std::string line; std::getline(lines, line);) names.insert(FileNameOfJsonLine(line));
    EXPECT_NE(std::string::npos, json.out.find("\"file\":\"d/bad\\udcff.htm\""));
    EXPECT_EQ((std::set<std::string>{latin1, replaced, bad}), names);
}

// The system resolves ".." after following a link, and "\" is an ordinary
// character of a name on POSIX.
TEST(CliSafety, PathsAreResolvedByTheSystemNotAsText)
{
    TempDir dir;
    fs::create_directories(dir.File("other")), fs::create_directories(dir.File("elsewhere/sub"));
    fs::create_directory_symlink("../elsewhere/sub", dir.File("other/dl"));
    for (const char* name : {"other/x.htm", "elsewhere/x.htm", "a\\b.htm"}) WriteBytes(dir.File(name), ReadBytes(kExample));
    EXPECT_EQ(0, Shell(dir, Tool() + " set other/dl/../x.htm --title Linked").status);
    EXPECT_NE(std::string::npos, ReadBytes(dir.File("elsewhere/x.htm")).find("<title>Linked</title>"));
    EXPECT_EQ(ReadBytes(kExample), ReadBytes(dir.File("other/x.htm")));
    const ShellRun backslash = Shell(dir, Tool() + " set 'a\\b.htm' --title Slashed");
    EXPECT_EQ("a\\b.htm: saved\n", backslash.out) << backslash.err;
    EXPECT_NE(std::string::npos, ReadBytes(dir.File("a\\b.htm")).find("<title>Slashed</title>"));
}

TEST(CliSafety, EveryRefusalNamesItsCause)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), ReadBytes(kExample));
    WriteBytes(dir.File("r.htm"), ReadBytes(kExample));
    WriteBytes(dir.File("out.htm"), "old");
    ::chmod(dir.File("r.htm").c_str(), 0444);
    ::chmod(dir.File("out.htm").c_str(), 0444);
    const ShellRun readOnly = Shell(dir, Tool() + " set r.htm --title X");
    EXPECT_EQ(1, readOnly.status);
    EXPECT_EQ("r.htm: not saved: read-only\n", readOnly.err);
    const ShellRun copy = Shell(dir, Tool() + " set t.htm --title X -o out.htm");
    EXPECT_EQ(1, copy.status);
    EXPECT_EQ("out.htm: not saved: " + dir.File("out.htm") + " is read-only\n", copy.err);
    const ShellRun noTemp = Shell(dir, "TMPDIR=/nonexistent/folder " + Tool() + " new n.htm");
    EXPECT_EQ(1, noTemp.status);
    EXPECT_EQ("n.htm: not created: cannot create a new topic's file in /nonexistent/folder/: No such file or directory\n",
              noTemp.err);
    EXPECT_EQ("old", ReadBytes(dir.File("out.htm")));
    EXPECT_FALSE(fs::exists(dir.File("n.htm")));
}

// In a shared sticky folder, another user's topic that the saving user may
// write can't be replaced by a new file of the saver's; it is overwritten
// in place and keeps its owner.
TEST(CliSafety, AnotherUsersTopicInAStickyFolderIsSavedInPlace)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to stage two users (setpriv)";
    TempDir dir;
    ASSERT_EQ(0, ::chmod(dir.Path().c_str(), 0755));
    const std::string shared = dir.File("shared"), tool = dir.File("htmltopic");
    fs::create_directory(shared);
    ASSERT_EQ(0, ::chmod(shared.c_str(), 01777));
    fs::copy_file(HTMLTOPIC_PATH, tool);
    ASSERT_EQ(0, ::chmod(tool.c_str(), 0755));
    const std::string topic = shared + "/t.htm";
    WriteBytes(topic, ReadBytes(kExample));
    ASSERT_EQ(0, ::chown(topic.c_str(), 1234, 1234));
    ASSERT_EQ(0, ::chmod(topic.c_str(), 0666));
    struct stat before {};
    ASSERT_EQ(0, ::stat(topic.c_str(), &before));

    const ShellRun run = Shell(dir, "setpriv --reuid=65534 --regid=65534 --clear-groups " + Quoted(tool) +
                                   " set shared/t.htm --title Shared");
    EXPECT_EQ(0, run.status) << run.err;
    struct stat after {};
    ASSERT_EQ(0, ::stat(topic.c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(1234u, after.st_uid);
    EXPECT_EQ(0666u, after.st_mode & 07777);
    EXPECT_NE(std::string::npos, ReadBytes(topic).find("<title>Shared</title>"));
    EXPECT_TRUE(LeftoverTemporaries(shared).empty());
}

// Stopped in the middle of a folder, the tool finishes the file it is
// saving and leaves the rest alone: every topic is whole, old or new, and no
// temporary file stays.
TEST(CliSafety, AnInterruptedRunLeavesEveryFileWhole)
{
    TempDir dir;
    fs::create_directory(dir.File("many"));
    const std::string original = ReadBytes(kExample);
    for (int i = 0; i < 300; ++i) WriteBytes(dir.File("many/t" + std::to_string(i) + ".htm"), original);
    const std::string saved = SavedAlone(dir, "Stopped");
    const ShellRun run = Shell(dir, Tool() + " set many --title Stopped --jobs 2 & sleep 0.1; kill -TERM $!; wait $!");
    EXPECT_TRUE(run.status == 128 + SIGTERM || run.status == 0) << run.status << run.err;
    int nSaved = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = ReadBytes(dir.File("many/t" + std::to_string(i) + ".htm"));
        ASSERT_TRUE(bytes == original || bytes == saved) << i;
        nSaved += bytes == saved;
    }
    if (run.status != 0) {
        EXPECT_LT(nSaved, 300);
        EXPECT_NE(std::string::npos, run.err.find("htmltopic: stopped"));
    }
    EXPECT_TRUE(LeftoverTemporaries(dir.Path()).empty());
}

} // namespace
