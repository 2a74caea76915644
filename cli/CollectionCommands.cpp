// `htmltopic objects` and `htmltopic maps`: the embedded objects and image
// maps of one topic, and deleting an object.
#include "Commands.h"
#include "Jobs.h"
#include "JsonOutput.h"
#include "SaveTopic.h"
#include "Terminal.h"
#include "TextOutput.h"
#include "TopicDocument.h"

namespace htmltopic {
namespace {

// Marks the object with the id deleted; empty when done, else why not.
std::string MarkDeleted(TopicDocument& doc, const std::string& id)
{
    CHTMLObjectTag* pObject = doc.FindObjectTagById(Utf8ToWide(id.c_str()).c_str());
    if (!pObject) return "no object with id '" + id + "'";
    pObject->Delete(TRUE);
    return {};
}

void DeleteObject(TopicDocument& doc, const ObjectsOptions& options, FileOutcome& outcome)
{
    const std::string& path = options.file;
    std::string problem = MarkDeleted(doc, *options.deleteId);
    if (!problem.empty()) return outcome.Fail(path, problem);
    outcome.err += SaveWarnings(doc, path);
    SaveResult saved =
        SaveInPlace(doc, path, [&](TopicDocument& again) { return MarkDeleted(again, *options.deleteId); });
    if (!saved.saved) return outcome.Fail(path, saved.reason);
    outcome.err += saved.WarningLine(path);
    outcome.out = ShownName(path) + ": deleted object '" + *options.deleteId + "'\n";
}

// Runs body on the opened topic and writes what it produced.
int WithTopic(const std::string& path, const std::function<void(TopicDocument&, FileOutcome&)>& body,
              bool bRewriteAll, const std::string& encoding)
{
    FileOutcome outcome = RunFileTask(path, [&](FileOutcome& result) {
        std::unique_ptr<TopicDocument> doc = OpenTopic(path, result, bRewriteAll, encoding);
        if (doc) body(*doc, result);
    });
    Terminal::Instance().Write(outcome.out, outcome.err);
    return outcome.failed ? 1 : 0;
}

} // namespace

int RunObjects(const ObjectsOptions& options)
{
    return WithTopic(options.file, [&](TopicDocument& doc, FileOutcome& outcome) {
        if (options.deleteId) return DeleteObject(doc, options, outcome);
        std::vector<ObjectSummary> objects = SummarizeObjects(doc);
        outcome.out = options.json ? FormatObjectsJson(options.file, objects) : FormatObjectsText(objects);
    }, options.rewriteAll, options.encoding);
}

int RunMaps(const MapsOptions& options)
{
    return WithTopic(options.file, [&](TopicDocument& doc, FileOutcome& outcome) {
        std::vector<MapSummary> maps = SummarizeMaps(doc);
        outcome.out = options.json ? FormatMapsJson(options.file, maps) : FormatMapsText(maps);
    }, false, options.encoding);
}

} // namespace htmltopic
