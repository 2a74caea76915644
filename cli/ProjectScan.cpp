#include "ProjectScan.h"

#include "Jobs.h"
#include "Names.h"
#include "ReferenceResolution.h"
#include "Terminal.h"
#include "TopicDocument.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <unordered_map>

namespace htmltopic {
namespace fs = std::filesystem;

namespace {

FileList ProjectFileList(const std::vector<std::string>& arguments, bool withContents)
{
    FileList list = ExpandFileArguments(arguments);
    if (!withContents) return list;
    for (const std::string& argument : arguments) {
        if (!IsFolder(argument)) continue;
        std::vector<std::string> found = FindFilesBelow(argument, IsContentsFile, list.errors);
        list.files.insert(list.files.end(), found.begin(), found.end());
    }
    return list;
}

// Absolute paths in one form for all the project's files and folders, so
// that references resolved from them compare as text: each folder as the
// system resolves it ("..", links), asked once per folder, then the name.
class ProjectPaths {
public:
    std::string Folder(const std::string& folder)
    {
        auto [it, added] = m_folders.emplace(folder, std::string());
        if (added) {
            std::error_code error;
            const fs::path resolved = fs::weakly_canonical(PathOf(folder.empty() ? "." : folder), error);
            it->second = ProjectPath(error ? AbsolutePath(folder) : NameOf(resolved));
            // Compared as a folder name: without a closing separator.
            while (it->second.size() > 1 && it->second.back() == '/') it->second.pop_back();
        }
        return it->second;
    }

    std::string File(const std::string& path)
    {
        const fs::path name = PathOf(path);
        const std::string folder = Folder(NameOf(name.parent_path()));
        return (folder == "/" ? "" : folder) + "/" + NameOf(name.filename());
    }

private:
    std::unordered_map<std::string, std::string> m_folders;
};

std::vector<std::string> ProjectRoots(const std::vector<std::string>& arguments, ProjectPaths& paths)
{
    std::vector<std::string> roots;
    for (const std::string& argument : arguments) {
        const std::string folder = IsFolder(argument) ? argument : NameOf(PathOf(argument).parent_path());
        roots.push_back(paths.Folder(folder));
    }
    return roots;
}

ScanFor PurposeFor(const std::string& path, ScanFor purpose)
{
    return purpose == ScanFor::References && IsContentsFile(path) ? ScanFor::Contents : purpose;
}

} // namespace

ProjectScan ScanProject(const std::vector<std::string>& arguments, unsigned jobs, ScanFor purpose,
                        bool withContents, const std::string& encoding)
{
    FileList list = ProjectFileList(arguments, withContents);
    Terminal::Instance().Write({}, FileListMessages(list));
    ProjectScan project;
    project.encoding = encoding;
    ProjectPaths paths;
    project.roots = ProjectRoots(arguments, paths);
    project.listingFailed = !list.errors.empty();
    project.files.resize(list.files.size());
    for (size_t i = 0; i < list.files.size(); ++i) {
        project.files[i].path = list.files[i];
        project.files[i].absolutePath = paths.File(list.files[i]);
    }
    auto task = [&](size_t i) {
        ScannedFile& file = project.files[i];
        return RunFileTask(file.path, [&](FileOutcome& outcome) {
            const std::string reason = WhyUnreadable(file.path);
            if (!reason.empty()) return outcome.Fail(file.path, reason);
            file.scan = ScanTopic(file.absolutePath, PurposeFor(file.path, purpose), encoding);
            if (!file.scan.read) outcome.Fail(file.path, file.scan.failure);
        });
    };
    RunInOrder(list.files.size(), jobs, task, [&](size_t i) { return list.files[i]; });
    for (const ScannedFile& file : project.files) project.unreadable += file.scan.read ? 0 : 1;
    return project;
}

std::string JsonText(const std::string& text)
{
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string WithThousands(size_t count)
{
    std::string digits = std::to_string(count);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

} // namespace htmltopic
