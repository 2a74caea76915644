#include "SaveTopic.h"

#include "Names.h"
#include "OverwritePrompt.h"
#include "TopicDocument.h"

#include <filesystem>

namespace htmltopic {
namespace {

// The library's own words for why a save failed.
std::string WhyNotSaved(TopicDocument& doc)
{
    const wchar_t* pszCause = doc.GetLastFailure();
    return "not saved: " + (pszCause ? WideToUtf8(pszCause) : std::string("the file could not be written"));
}

SaveResult NotSaved(std::string reason)
{
    return SaveResult{false, std::move(reason), {}};
}

// A save that succeeded may still bring a warning (metadata not kept, a
// folder not flushed to disk).
SaveResult Saved(TopicDocument& doc)
{
    const wchar_t* pszWarning = doc.GetLastFailure();
    return SaveResult{true, {}, pszWarning ? "warning: " + WideToUtf8(pszWarning) : std::string()};
}

} // namespace

std::string SaveResult::WarningLine(const std::string& displayPath) const
{
    return warning.empty() ? std::string() : ShownName(displayPath) + ": " + warning + "\n";
}

std::string SaveWarnings(TopicDocument& doc, const std::string& displayPath)
{
    // Saving only what changed copies an untouched frame layout as it is.
    if (!doc.RewritesAll() || doc.GetFramesetCount() == 0) return {};
    return displayPath + ": warning: the frame layout is written anew from its frames; the frameset's own "
                         "border attributes and any <noframes> content are not kept\n";
}

SaveResult SaveInPlace(TopicDocument& doc, const std::string& displayPath,
                       const std::function<std::string(TopicDocument&)>& reapply)
{
    BeginSave(displayPath);
    if (!doc.SaveFile()) {
        if (ThisThreadsQuestion().asked)
            return NotSaved("not saved: " + ShownName(displayPath) + " changed on disk since it was read");
        return NotSaved(WhyNotSaved(doc));
    }
    if (!ThisThreadsQuestion().answeredYes) return Saved(doc);

    // Yes: the library saved the file as the other program left it; the
    // requested changes go on top of that text.
    std::string problem = reapply(doc);
    if (!problem.empty()) return NotSaved("not saved: after the change on disk, " + problem);
    BeginSave(displayPath);
    if (!doc.SaveFile()) {
        if (ThisThreadsQuestion().asked)
            return NotSaved("not saved: " + ShownName(displayPath) + " changed on disk again while it was saved");
        return NotSaved(WhyNotSaved(doc));
    }
    return Saved(doc);
}

SaveResult SaveCopy(TopicDocument& doc, const std::string& output)
{
    std::string absoluteOutput = AbsolutePath(output);
    if (std::filesystem::is_directory(PathOf(absoluteOutput)))
        return NotSaved("not saved: " + ShownName(output) + " is a folder");
    if (doc.SaveFileAs(NameForLibrary(absoluteOutput).c_str())) return Saved(doc);
    return NotSaved(WhyNotSaved(doc));
}

} // namespace htmltopic
