// `htmltopic keywords`: the index a project's keyword objects make.
#include "Commands.h"
#include "Interrupt.h"
#include "Names.h"
#include "ProjectScan.h"
#include "Terminal.h"

#include <htmlfile/platform/CaseFold.h>

#include <algorithm>
#include <map>

namespace htmltopic {
namespace {

// Index order: ignoring case first, then as written, so that the order
// never depends on the order the topics were read in.
struct IndexOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const
    {
        const int folded = CompareFolded(a.c_str(), b.c_str());
        return folded != 0 ? folded < 0 : a < b;
    }
};

// Keyword (wide, for ordering) to the files carrying it, as indexes into the
// project's files, which are in path order within each argument.
using Index = std::map<std::wstring, std::vector<size_t>, IndexOrder>;

// Orders indexes into the project's files by the files' paths.
struct ByPath {
    const ProjectScan& project;
    bool operator()(size_t a, size_t b) const { return project.files[a].path < project.files[b].path; }
};

Index BuildIndex(const ProjectScan& project)
{
    Index index;
    for (size_t i = 0; i < project.files.size(); ++i) {
        for (const std::string& keyword : project.files[i].scan.keywords) {
            std::vector<size_t>& files = index[Utf8ToWide(keyword.c_str())];
            if (files.empty() || files.back() != i) files.push_back(i);
        }
    }
    for (auto& entry : index) {
        std::vector<size_t>& files = entry.second;
        std::sort(files.begin(), files.end(), ByPath{project});
        files.erase(std::unique(files.begin(), files.end()), files.end());
    }
    return index;
}

std::string TopicLine(const ScannedFile& file, const char* indent)
{
    const std::string& title = file.scan.title;
    return indent + ShownName(file.path) + (title.empty() ? "" : " (" + title + ")") + "\n";
}

// JSON is written field by field: names keep every byte (JsonName).
std::string FileAndTitleJson(const ScannedFile& file)
{
    return "\"file\":" + JsonName(file.path) + ",\"title\":" + JsonText(file.scan.title);
}

std::string JsonList(const std::vector<std::string>& literals)
{
    std::string list;
    for (const std::string& literal : literals) list += (list.empty() ? "" : ",") + literal;
    return "[" + list + "]";
}

std::string ByKeyword(const ProjectScan& project, const Index& index, bool asJson)
{
    std::string text;
    for (const auto& [keyword, files] : index) {
        const std::string name = WideToUtf8(keyword.c_str(), keyword.size());
        if (!asJson) {
            text += name + "\n";
            for (size_t i : files) text += TopicLine(project.files[i], "  ");
            continue;
        }
        std::vector<std::string> topics;
        for (size_t i : files) topics.push_back("{" + FileAndTitleJson(project.files[i]) + "}");
        text += "{\"keyword\":" + JsonText(name) + ",\"topics\":" + JsonList(topics) + "}\n";
    }
    return text;
}

std::string ByTopic(const ProjectScan& project, const Index& index, bool asJson)
{
    std::vector<std::vector<std::string>> keywordsOf(project.files.size());
    for (const auto& [keyword, files] : index)
        for (size_t i : files) keywordsOf[i].push_back(WideToUtf8(keyword.c_str(), keyword.size()));
    std::vector<size_t> order;
    for (size_t i = 0; i < project.files.size(); ++i)
        if (!keywordsOf[i].empty()) order.push_back(i);
    std::sort(order.begin(), order.end(), ByPath{project});
    std::string text;
    for (size_t i : order) {
        const ScannedFile& file = project.files[i];
        if (asJson) {
            std::vector<std::string> keywords;
            for (const std::string& keyword : keywordsOf[i]) keywords.push_back(JsonText(keyword));
            text += "{" + FileAndTitleJson(file) + ",\"keywords\":" + JsonList(keywords) + "}\n";
            continue;
        }
        text += TopicLine(file, "");
        for (const std::string& keyword : keywordsOf[i]) text += "  " + keyword + "\n";
    }
    return text;
}

} // namespace

int RunKeywords(const KeywordsOptions& options)
{
    const ProjectScan project = ScanProject(options.files, options.jobs, ScanFor::Keywords, false, options.encoding);
    // A stopped run prints no report: one made of part of the project would
    // pass for the whole.
    if (Interruption()) return 1;
    const Index index = BuildIndex(project);
    Terminal::Instance().Write(options.byTopic ? ByTopic(project, index, options.json)
                                               : ByKeyword(project, index, options.json),
                               {});
    return project.unreadable || project.listingFailed ? 1 : 0;
}

} // namespace htmltopic
