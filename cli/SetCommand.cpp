// `htmltopic set`: changes properties of topics and saves them.
#include "Commands.h"
#include "FileWalk.h"
#include "Jobs.h"
#include "Names.h"
#include "SaveTopic.h"
#include "Terminal.h"
#include "TopicDocument.h"

#include <filesystem>

namespace htmltopic {
namespace {

// -o naming the topic itself (by any path) is a save in place.
bool IsCopy(const std::string& path, const std::string& output)
{
    std::error_code error;
    return !output.empty() && !std::filesystem::equivalent(PathOf(path), PathOf(output), error);
}

std::string JoinRefusals(const std::vector<std::string>& refusals)
{
    std::string text;
    for (const std::string& refusal : refusals) text += (text.empty() ? "" : "; ") + refusal;
    return text;
}

void SetOne(const std::string& path, const SetOptions& options, FileOutcome& outcome)
{
    std::unique_ptr<TopicDocument> doc = OpenTopic(path, outcome, options.rewriteAll, options.encoding);
    if (!doc) return;
    EditResult edits = ApplyEdits(*doc, options.edits);
    if (!edits.refusals.empty()) {
        for (const std::string& refusal : edits.refusals) outcome.Fail(path, "not saved: " + refusal);
        return;
    }

    if (IsCopy(path, options.output)) {
        outcome.err += SaveWarnings(*doc, path);
        SaveResult saved = SaveCopy(*doc, options.output);
        if (!saved.saved) return outcome.Fail(options.output, saved.reason);
        outcome.out = ShownName(options.output) + ": written\n";
        outcome.err += saved.WarningLine(options.output);
        return;
    }
    // Saving an unchanged topic would still rewrite its recorded elements.
    if (!edits.changed && options.output.empty()) {
        outcome.out = ShownName(path) + ": unchanged\n";
        return;
    }
    outcome.err += SaveWarnings(*doc, path);
    SaveResult saved = SaveInPlace(*doc, path, [&](TopicDocument& again) {
        EditResult redone = ApplyEdits(again, options.edits);
        return redone.refusals.empty() ? std::string() : JoinRefusals(redone.refusals);
    });
    if (!saved.saved) return outcome.Fail(path, saved.reason);
    outcome.err += saved.WarningLine(path);
    // -o naming the topic itself by another name: that name now holds the
    // saved text too.
    outcome.out = options.output.empty() ? ShownName(path) + ": saved\n" : ShownName(options.output) + ": written\n";
}

} // namespace

int RunSet(const SetOptions& options)
{
    FileList list = ExpandFileArguments(options.files);
    Terminal::Instance().Write({}, FileListMessages(list));

    auto task = [&](size_t i) {
        const std::string& path = list.files[i];
        return RunFileTask(path, [&](FileOutcome& outcome) { SetOne(path, options, outcome); });
    };
    bool failed = RunInOrder(list.files.size(), options.jobs, task, [&](size_t i) { return list.files[i]; });
    return failed || !list.errors.empty() ? 1 : 0;
}

} // namespace htmltopic
