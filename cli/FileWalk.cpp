#include "FileWalk.h"
#include "Names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace htmltopic {
namespace fs = std::filesystem;

namespace {

// Whether a name can be appended to the folder's name as it is: after a
// separator, or on Windows after a drive ("C:" is that drive's current
// folder, "C:/" its root).
bool EndsFolderName(const std::string& folder)
{
    if (folder.empty()) return false;
#ifdef _WIN32
    if (folder.back() == '\\' || (folder.size() == 2 && folder.back() == ':')) return true;
#endif
    return folder.back() == '/';
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A name in a folder, joined with '/' (which Windows takes as a separator
// too), so that the names found read the same on every system.
std::string Joined(const std::string& folder, const std::string& name)
{
    return EndsFolderName(folder) ? folder + name : folder + "/" + name;
}

// Collects the wanted files below folder. An entry that is a folder (a
// symbolic link to one is not followed, so the walk ends) is walked; every
// other entry with a wanted name is taken, so that a broken link or a
// special file is reported when it is opened rather than skipped in silence.
void CollectFiles(const std::string& folder, bool (*wanted)(const std::string&), std::vector<std::string>& files,
                  std::vector<std::string>& errors)
{
    std::error_code error;
    fs::directory_iterator it(PathOf(folder), error);
    if (error) {
        errors.push_back(ShownName(folder) + ": cannot list the folder: " + error.message());
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        const std::string name = Joined(folder, NameOf(entry.path().filename()));
        std::error_code typeError;
        if (entry.is_directory(typeError) && !entry.is_symlink(typeError)) CollectFiles(name, wanted, files, errors);
        else if (wanted(name)) files.push_back(name);
    }
    if (error) errors.push_back(ShownName(folder) + ": cannot list the folder: " + error.message());
}

} // namespace

std::string FileListMessages(const FileList& list)
{
    std::string text;
    for (const std::string& note : list.notes) text += note + "\n";
    for (const std::string& error : list.errors) text += error + "\n";
    return text;
}

bool HasTopicExtension(const std::string& path)
{
    std::string extension = Lower(NameOf(PathOf(path).extension()));
    return extension == ".htm" || extension == ".html";
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(PathOf(path), error);
}

std::vector<std::string> FindFilesBelow(const std::string& folder, bool (*wanted)(const std::string&),
                                        std::vector<std::string>& errors)
{
    std::vector<std::string> found;
    CollectFiles(folder, wanted, found, errors);
    std::sort(found.begin(), found.end());
    return found;
}

FileList ExpandFileArguments(const std::vector<std::string>& arguments)
{
    FileList list;
    for (const std::string& argument : arguments) {
        if (!IsFolder(argument)) {
            list.files.push_back(argument);
            continue;
        }
        std::vector<std::string> found = FindFilesBelow(argument, HasTopicExtension, list.errors);
        if (found.empty()) list.notes.push_back(ShownName(argument) + ": no .htm or .html files in this folder");
        list.files.insert(list.files.end(), found.begin(), found.end());
    }
    return list;
}

} // namespace htmltopic
