// The answer to the library's one question: whether to save over a file
// that another program changed since the document read it.
#pragma once

#include <string>

namespace htmltopic {

enum class OverwriteAnswer {
    Yes,     // --yes
    No,      // --no
    AskOrNo, // neither: ask when stdin is a terminal, else No
};

// Installs the process-wide handler for the question.
void InstallOverwritePrompt(OverwriteAnswer answer);

// What the handler did on the calling thread since the last BeginSave: the
// library asks on the thread that saves, so each worker sees its own file's
// question only.
struct OverwriteQuestion {
    std::string file; // as the user named it, for the question
    bool asked = false;
    bool answeredYes = false;
};
OverwriteQuestion& ThisThreadsQuestion();
// Called before each save on the thread that saves.
void BeginSave(const std::string& displayPath);

} // namespace htmltopic
