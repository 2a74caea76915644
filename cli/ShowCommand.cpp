// `htmltopic show`: what each topic records.
#include "Commands.h"
#include "FileWalk.h"
#include "Jobs.h"
#include "JsonOutput.h"
#include "Terminal.h"
#include "TextOutput.h"
#include "TopicDocument.h"

namespace htmltopic {

int RunShow(const ShowOptions& options)
{
    FileList list = ExpandFileArguments(options.files);
    Terminal::Instance().Write({}, FileListMessages(list));
    auto task = [&](size_t i) {
        const std::string& path = list.files[i];
        return RunFileTask(path, [&](FileOutcome& outcome) {
            std::unique_ptr<TopicDocument> doc = OpenTopic(path, outcome, false, options.encoding);
            if (!doc) return;
            TopicSummary summary = SummarizeTopic(*doc, path);
            // Text reports are separated by a blank line; JSON has one line each.
            if (options.json)
                outcome.out = FormatTopicJson(summary);
            else
                outcome.out = (i > 0 ? "\n" : "") + FormatTopicText(summary);
        });
    };
    bool failed = RunInOrder(list.files.size(), options.jobs, task, [&](size_t i) { return list.files[i]; });
    return failed || !list.errors.empty() ? 1 : 0;
}

} // namespace htmltopic
