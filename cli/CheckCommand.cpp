// `htmltopic check`: the broken references of a project.
#include "Commands.h"
#include "Interrupt.h"
#include "Names.h"
#include "ProjectCheck.h"
#include "Terminal.h"

#include <nlohmann/json.hpp>

#include <array>

namespace htmltopic {
namespace {

using json = nlohmann::ordered_json;

struct Counts {
    std::array<size_t, kProblemKindCount> byKind{};
    size_t errors = 0;
    size_t warnings = 0;
};

bool IsWarning(ProblemKind kind, bool caseSensitive)
{
    return kind == ProblemKind::CaseDiffers && !caseSensitive;
}

Counts CountProblems(const std::vector<Problem>& problems, bool caseSensitive)
{
    Counts counts;
    for (const Problem& problem : problems) {
        ++counts.byKind[static_cast<size_t>(problem.kind)];
        ++(IsWarning(problem.kind, caseSensitive) ? counts.warnings : counts.errors);
    }
    return counts;
}

std::string Counted(size_t count, const std::string& one, const std::string& many)
{
    return WithThousands(count) + " " + (count == 1 ? one : many);
}

std::string TextSummary(const ProjectScan& project, const CheckResult& result, const Counts& counts)
{
    // Errors first, then warnings, then the files that could not be read.
    static const std::pair<ProblemKind, std::array<const char*, 2>> kPhrases[] = {
        {ProblemKind::MissingFile, {"missing file", "missing files"}},
        {ProblemKind::MissingBookmark, {"missing bookmark", "missing bookmarks"}},
        {ProblemKind::MissingMap, {"missing map", "missing maps"}},
        {ProblemKind::Outside, {"reference outside the project", "references outside the project"}},
        {ProblemKind::CaseDiffers, {"case difference", "case differences"}},
    };
    std::string line = "checked " + Counted(project.files.size() - project.unreadable, "topic", "topics") + ", " +
                       Counted(result.references, "reference", "references") + ":";
    std::string parts;
    for (const auto& [kind, phrase] : kPhrases) {
        const size_t count = counts.byKind[static_cast<size_t>(kind)];
        if (count) parts += (parts.empty() ? " " : ", ") + Counted(count, phrase[0], phrase[1]);
    }
    if (project.unreadable)
        parts += (parts.empty() ? " " : ", ") + Counted(project.unreadable, "unreadable topic", "unreadable topics");
    return line + (parts.empty() ? " no problems" : parts) + "\n";
}

std::string TextReport(const ProjectScan& project, const CheckResult& result, const Counts& counts)
{
    std::string text;
    for (const Problem& problem : result.problems)
        text += ShownName(project.files[problem.file].path) + ":" + std::to_string(problem.at.line) + ":" +
                std::to_string(problem.at.column) + ": " + ProblemKindName(problem.kind) + ": " + problem.reference +
                "\n";
    return text + TextSummary(project, result, counts);
}

std::string JsonLine(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string JsonReport(const ProjectScan& project, const CheckResult& result, const Counts& counts)
{
    std::string text;
    // Written field by field: names keep every byte (JsonName).
    for (const Problem& problem : result.problems)
        text += "{\"file\":" + JsonName(project.files[problem.file].path) +
                ",\"line\":" + std::to_string(problem.at.line) + ",\"column\":" + std::to_string(problem.at.column) +
                ",\"kind\":" + JsonText(ProblemKindName(problem.kind)) +
                ",\"reference\":" + JsonText(problem.reference) +
                ",\"target\":" + (problem.target ? JsonName(*problem.target) : "null") + "}\n";
    json byKind = json::object();
    for (size_t i = 0; i < kProblemKindCount; ++i)
        byKind[ProblemKindName(static_cast<ProblemKind>(i))] = counts.byKind[i];
    return text + JsonLine({{"summary",
                             {{"topics", project.files.size() - project.unreadable},
                              {"references", result.references},
                              {"errors", counts.errors},
                              {"warnings", counts.warnings},
                              {"unreadable", project.unreadable},
                              {"by_kind", byKind}}}});
}

} // namespace

int RunCheck(const CheckOptions& options)
{
    const ProjectScan project = ScanProject(options.files, options.jobs, ScanFor::References, true, options.encoding);
    // A stopped run prints no report: one made of part of the project would
    // pass for the whole.
    if (Interruption()) return 1;
    const CheckResult result = CheckProject(project);
    const Counts counts = CountProblems(result.problems, options.caseSensitive);
    Terminal::Instance().Write(options.json ? JsonReport(project, result, counts)
                                            : TextReport(project, result, counts),
                               {});
    return counts.errors || project.unreadable || project.listingFailed ? 1 : 0;
}

} // namespace htmltopic
