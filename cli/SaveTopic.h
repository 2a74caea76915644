// Writing a changed topic back, with the overwrite question handled and
// every way a save can fail turned into a reason for the user.
#pragma once

#include <functional>
#include <string>

namespace htmltopic {

class TopicDocument;

struct SaveResult {
    bool saved = false;
    // Why it was not saved, e.g. "not saved: ... changed on disk since it
    // was read"; empty when saved.
    std::string reason;
    // For a save that succeeded: "warning: ..." when the library could not
    // keep everything around the text (an extended attribute, a flush of
    // the folder to disk); else empty.
    std::string warning;

    // The warning as a line for stderr, or nothing.
    std::string WarningLine(const std::string& displayPath) const;
};

// Lines for stderr about what a save of this document will lose that the
// user did not ask for: the library writes a frame layout from its model,
// which keeps no frameset borders and no <noframes> content.
std::string SaveWarnings(TopicDocument& doc, const std::string& displayPath);

// Saves the document over its own file. When the file changed on disk since
// it was read, the library asks the installed overwrite question; on Yes it
// reads the file again (dropping the changes in memory) and saves that, so
// reapply is called on the new text and the document is saved once more.
// reapply returns an empty string, or why the changes no longer fit.
SaveResult SaveInPlace(TopicDocument& doc, const std::string& displayPath,
                       const std::function<std::string(TopicDocument&)>& reapply);

// Writes the document to another file, named as the user gave it (not the
// topic's own file: that is SaveInPlace).
SaveResult SaveCopy(TopicDocument& doc, const std::string& output);

} // namespace htmltopic
