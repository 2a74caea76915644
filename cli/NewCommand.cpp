// `htmltopic new`: a topic from a built-in template.
#include "Commands.h"
#include "Jobs.h"
#include "Names.h"
#include "SaveTopic.h"
#include "Terminal.h"
#include "TopicDocument.h"

#include <filesystem>

namespace htmltopic {
namespace {

std::unique_ptr<TopicDocument> MakeFromTemplate(TopicTemplate kind)
{
    switch (kind) {
    case TopicTemplate::Standard: return std::make_unique<TopicDocument>(0, 0);
    case TopicTemplate::Bare: return std::make_unique<TopicDocument>(1, 0);
    case TopicTemplate::Titled: return std::make_unique<TopicDocument>(1, 1);
    }
    return nullptr;
}

// Empty when the path may be written, else why not.
std::string WhyNotCreate(const std::string& path, bool force)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(PathOf(path), error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::none) return {};
    if (status.type() == fs::file_type::directory) return "is a folder";
    return force ? std::string() : "already exists (use --force to overwrite it)";
}

void CreateTopic(const NewOptions& options, FileOutcome& outcome)
{
    const std::string& path = options.output;
    std::string refusal = WhyNotCreate(path, options.force);
    if (!refusal.empty()) return outcome.Fail(path, refusal);

    std::unique_ptr<TopicDocument> doc = MakeFromTemplate(options.templateKind);
    // The template lives in a temporary file until it is saved under its
    // name; the document removes that file only while it is unsaved.
    std::string templateFile = NameFromLibrary(doc->GetFileName());
    if (templateFile.empty()) {
        const wchar_t* pszCause = doc->GetLastFailure();
        return outcome.Fail(path, "not created: " + (pszCause ? WideToUtf8(pszCause) : std::string("no temporary file")));
    }

    EditResult edits = ApplyEdits(*doc, options.edits);
    for (const std::string& reason : edits.refusals) outcome.Fail(path, "not created: " + reason);
    if (outcome.failed) return;

    SaveResult saved = SaveCopy(*doc, path);
    if (!saved.saved) return outcome.Fail(path, saved.reason);
    outcome.err += saved.WarningLine(path);
    std::error_code ignored;
    std::filesystem::remove(PathOf(templateFile), ignored);
    outcome.out = ShownName(path) + ": created\n";
}

} // namespace

int RunNew(const NewOptions& options)
{
    FileOutcome outcome = RunFileTask(options.output, [&](FileOutcome& result) { CreateTopic(options, result); });
    Terminal::Instance().Write(outcome.out, outcome.err);
    return outcome.failed ? 1 : 0;
}

} // namespace htmltopic
