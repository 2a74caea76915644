// `htmltopic keywords`: the index a project's keyword objects make.
#include "Commands.h"
#include "ProjectScan.h"
#include "Terminal.h"

#include <htmlfile/platform/CaseFold.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

namespace htmltopic {
namespace {

using json = nlohmann::ordered_json;

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
        std::sort(files.begin(), files.end(),
                  [&](size_t a, size_t b) { return project.files[a].path < project.files[b].path; });
        files.erase(std::unique(files.begin(), files.end()), files.end());
    }
    return index;
}

std::string JsonLine(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string TopicLine(const ScannedFile& file, const char* indent)
{
    const std::string& title = file.scan.title;
    return indent + file.path + (title.empty() ? "" : " (" + title + ")") + "\n";
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
        json topics = json::array();
        for (size_t i : files) topics.push_back({{"file", project.files[i].path}, {"title", project.files[i].scan.title}});
        text += JsonLine({{"keyword", name}, {"topics", topics}});
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
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return project.files[a].path < project.files[b].path; });
    std::string text;
    for (size_t i : order) {
        const ScannedFile& file = project.files[i];
        if (asJson) {
            text += JsonLine({{"file", file.path}, {"title", file.scan.title}, {"keywords", keywordsOf[i]}});
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
    const ProjectScan project = ScanProject(options.files, options.jobs, ScanFor::Keywords, false);
    const Index index = BuildIndex(project);
    Terminal::Instance().Write(options.byTopic ? ByTopic(project, index, options.json)
                                               : ByKeyword(project, index, options.json),
                               {});
    return project.unreadable || project.listingFailed ? 1 : 0;
}

} // namespace htmltopic
