#include "ProjectCheck.h"

#include "FileWalk.h"
#include "FolderListings.h"
#include "Names.h"
#include "ReferenceResolution.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unordered_map>

namespace htmltopic {
namespace fs = std::filesystem;

namespace {

bool HasBookmark(const TopicScan& topic, const std::string& fragment)
{
    // An empty fragment, and "top" where no element has that name, scroll
    // to the top of the page.
    return fragment.empty() || topic.bookmarks.count(fragment) || AsciiLower(fragment) == "top";
}

std::string FolderOf(const std::string& absolutePath)
{
    const size_t slash = absolutePath.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : absolutePath.substr(0, slash);
}

class Checker {
public:
    explicit Checker(const ProjectScan& project) : m_project(project)
    {
        for (size_t i = 0; i < project.files.size(); ++i)
            if (project.files[i].scan.read) m_byPath.emplace(project.files[i].absolutePath, i);
    }

    void CheckFile(size_t index, CheckResult& result)
    {
        const ScannedFile& file = m_project.files[index];
        for (const TopicReference& reference : file.scan.references) {
            std::optional<Problem> problem = CheckReference(file, reference, result.references);
            if (!problem) continue;
            problem->file = index;
            problem->position = reference.position;
            problem->reference = reference.written;
            result.problems.push_back(std::move(*problem));
        }
    }

private:
    std::optional<Problem> CheckReference(const ScannedFile& file, const TopicReference& reference, size_t& counted)
    {
        const ParsedReference parsed = ParseReference(reference.value);
        if (parsed.external) return std::nullopt;
        ++counted;
        if (reference.kind == ReferenceKind::Map) {
            // Only maps of the same topic count; a name without '#' is taken
            // as the map's name, as older browsers did.
            const std::string name = parsed.hasFragment ? parsed.fragment : PercentDecode(parsed.path);
            if (file.scan.maps.count(FoldMapName(name))) return std::nullopt;
            return MakeProblem(ProblemKind::MissingMap, std::nullopt);
        }
        if (parsed.path.empty()) {
            if (!parsed.hasFragment || HasBookmark(file.scan, parsed.fragment)) return std::nullopt;
            return MakeProblem(ProblemKind::MissingBookmark, file.absolutePath);
        }
        const std::string resolved = ResolveReferencePath(FolderOf(file.absolutePath), parsed.path);
        const std::string* root = RootOf(resolved);
        if (!root) return MakeProblem(ProblemKind::Outside, resolved);
        const FileLookup lookup = m_listings.Find(resolved, *root);
        if (lookup.found == FileFound::No) return MakeProblem(ProblemKind::MissingFile, resolved);
        if (lookup.found == FileFound::OtherCase) return MakeProblem(ProblemKind::CaseDiffers, lookup.actualPath);
        if (!parsed.hasFragment || !HasTopicExtension(lookup.actualPath)) return std::nullopt;
        const TopicScan* target = TargetScan(lookup.actualPath);
        if (!target || HasBookmark(*target, parsed.fragment)) return std::nullopt;
        return MakeProblem(ProblemKind::MissingBookmark, lookup.actualPath);
    }

    static Problem MakeProblem(ProblemKind kind, const std::optional<std::string>& target)
    {
        Problem problem;
        problem.kind = kind;
        problem.target = target;
        return problem;
    }

    // The deepest folder of the project that holds the path, or null.
    const std::string* RootOf(const std::string& path) const
    {
        const std::string* best = nullptr;
        for (const std::string& root : m_project.roots)
            if (IsWithinFolder(path, root) && (!best || root.size() > best->size())) best = &root;
        return best;
    }

    // The scan of a topic a reference points into; read now (once) when it
    // was not among the files checked. Null when it can't be read.
    const TopicScan* TargetScan(const std::string& absolutePath)
    {
        auto listed = m_byPath.find(absolutePath);
        if (listed != m_byPath.end()) return &m_project.files[listed->second].scan;
        std::unique_ptr<TopicScan>& extra = m_extraTargets[absolutePath];
        if (!extra) extra = std::make_unique<TopicScan>(ScanTopic(absolutePath, ScanFor::References, m_project.encoding));
        return extra->read ? extra.get() : nullptr;
    }

    const ProjectScan& m_project;
    FolderListings m_listings;
    std::unordered_map<std::string, size_t> m_byPath;
    std::unordered_map<std::string, std::unique_ptr<TopicScan>> m_extraTargets;
};

// Writes a resolved absolute path the way the topic's path is written:
// relative to the working folder when that one is relative.
std::string AsWritten(const std::string& absolutePath, const ScannedFile& file)
{
    const std::string native = NativePath(absolutePath);
    if (PathOf(file.path).is_absolute()) return native;
    std::error_code error;
    const fs::path here = fs::current_path(error);
    return error ? native : GenericNameOf(PathOf(native).lexically_relative(here));
}

void AddLineColumns(const ProjectScan& project, std::vector<Problem>& problems)
{
    for (size_t begin = 0; begin < problems.size();) {
        size_t end = begin;
        std::vector<int> positions;
        for (; end < problems.size() && problems[end].file == problems[begin].file; ++end)
            positions.push_back(problems[end].position);
        const ScannedFile& file = project.files[problems[begin].file];
        std::vector<LineColumn> at(positions.size());
        try {
            at = LineColumnsOf(file.absolutePath, positions);
        }
        catch (const CFileException&) {
            // Gone since it was read: the problems stand, at line 0.
        }
        for (size_t i = begin; i < end; ++i) {
            problems[i].at = at[i - begin];
            if (problems[i].target) problems[i].target = AsWritten(*problems[i].target, file);
        }
        begin = end;
    }
}

} // namespace

const char* ProblemKindName(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::Outside: return "outside the project";
    case ProblemKind::MissingFile: return "missing file";
    case ProblemKind::CaseDiffers: return "case differs";
    case ProblemKind::MissingBookmark: return "missing bookmark";
    case ProblemKind::MissingMap: return "missing map";
    }
    return "";
}

CheckResult CheckProject(const ProjectScan& project)
{
    CheckResult result;
    Checker checker(project);
    for (size_t i = 0; i < project.files.size(); ++i)
        if (project.files[i].scan.read) checker.CheckFile(i, result);
    AddLineColumns(project, result.problems);
    std::stable_sort(result.problems.begin(), result.problems.end(), [&](const Problem& a, const Problem& b) {
        const std::string& pathA = project.files[a.file].path;
        const std::string& pathB = project.files[b.file].path;
        if (pathA != pathB) return pathA < pathB;
        return a.position < b.position;
    });
    return result;
}

} // namespace htmltopic
