#include "SaveTopic.h"

#include "OverwritePrompt.h"
#include "TopicDocument.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace htmltopic {
namespace {

std::string FolderOf(const std::string& path)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// The library reports a failed save as 0 only; the likely cause is that the
// folder takes no new file (the save writes a temporary file beside the
// topic, or the copy itself).
std::string WhyNotWritten(const std::string& path)
{
    std::string folder = FolderOf(path);
    if (::access(folder.c_str(), W_OK) != 0)
        return "not saved: cannot write in " + folder + ": " + std::strerror(errno);
    return "not saved: the file could not be written";
}

SaveResult NotSaved(std::string reason)
{
    return SaveResult{false, std::move(reason)};
}

} // namespace

std::string SaveWarnings(TopicDocument& doc, const std::string& displayPath)
{
    if (doc.GetFramesetCount() == 0) return {};
    return displayPath + ": warning: the frame layout is written anew from its frames; the frameset's own "
                         "border attributes and any <noframes> content are not kept\n";
}

SaveResult SaveInPlace(TopicDocument& doc, const std::string& displayPath,
                       const std::function<std::string(TopicDocument&)>& reapply)
{
    std::string absolutePath = WideToUtf8(doc.GetFileName());
    BeginSave(displayPath);
    if (!doc.SaveFile()) {
        if (ThisThreadsQuestion().asked)
            return NotSaved("not saved: " + displayPath + " changed on disk since it was read");
        return NotSaved(WhyNotWritten(absolutePath));
    }
    if (!ThisThreadsQuestion().answeredYes) return SaveResult{true, {}};

    // Yes: the library saved the file as the other program left it; the
    // requested changes go on top of that text.
    std::string problem = reapply(doc);
    if (!problem.empty()) return NotSaved("not saved: after the change on disk, " + problem);
    BeginSave(displayPath);
    if (!doc.SaveFile()) {
        if (ThisThreadsQuestion().asked)
            return NotSaved("not saved: " + displayPath + " changed on disk again while it was saved");
        return NotSaved(WhyNotWritten(absolutePath));
    }
    return SaveResult{true, {}};
}

SaveResult SaveCopy(TopicDocument& doc, const std::string& output)
{
    std::string absoluteOutput = AbsolutePath(output);
    if (std::filesystem::is_directory(absoluteOutput)) return NotSaved("not saved: " + output + " is a folder");
    if (doc.SaveFileAs(Utf8ToWide(absoluteOutput.c_str()).c_str())) return SaveResult{true, {}};
    return NotSaved(WhyNotWritten(absoluteOutput));
}

} // namespace htmltopic
