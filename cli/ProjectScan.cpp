#include "ProjectScan.h"

#include "Jobs.h"
#include "Terminal.h"
#include "TopicDocument.h"

#include <filesystem>

namespace htmltopic {
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

std::vector<std::string> ProjectRoots(const std::vector<std::string>& arguments)
{
    std::vector<std::string> roots;
    for (const std::string& argument : arguments) {
        const std::string absolute = AbsolutePath(argument);
        roots.push_back(IsFolder(argument) ? absolute : std::filesystem::path(absolute).parent_path().string());
        // A root is compared as a folder name: without a closing separator.
        while (roots.back().size() > 1 && roots.back().back() == '/') roots.back().pop_back();
    }
    return roots;
}

ScanFor PurposeFor(const std::string& path, ScanFor purpose)
{
    return purpose == ScanFor::References && IsContentsFile(path) ? ScanFor::Contents : purpose;
}

} // namespace

ProjectScan ScanProject(const std::vector<std::string>& arguments, unsigned jobs, ScanFor purpose,
                        bool withContents)
{
    FileList list = ProjectFileList(arguments, withContents);
    Terminal::Instance().Write({}, FileListMessages(list));
    ProjectScan project;
    project.roots = ProjectRoots(arguments);
    project.listingFailed = !list.errors.empty();
    project.files.resize(list.files.size());
    auto task = [&](size_t i) {
        ScannedFile& file = project.files[i];
        file.path = list.files[i];
        return RunFileTask(file.path, [&](FileOutcome& outcome) {
            const std::string reason = WhyUnreadable(file.path);
            if (!reason.empty()) return outcome.Fail(file.path, reason);
            file.absolutePath = AbsolutePath(file.path);
            file.scan = ScanTopic(file.absolutePath, PurposeFor(file.path, purpose));
            if (!file.scan.read) outcome.Fail(file.path, "unreadable");
        });
    };
    RunInOrder(list.files.size(), jobs, task, [&](size_t i) { return list.files[i]; });
    for (const ScannedFile& file : project.files) project.unreadable += file.scan.read ? 0 : 1;
    return project;
}

std::string WithThousands(size_t count)
{
    std::string digits = std::to_string(count);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

} // namespace htmltopic
