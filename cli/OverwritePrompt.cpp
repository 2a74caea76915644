#include "OverwritePrompt.h"

#include "Terminal.h"

#include <htmlfile/platform/Prompt.h>

namespace htmltopic {
namespace {

thread_local OverwriteQuestion t_question;

// The library's own text says the other program's changes would be lost;
// the tool keeps them (SaveInPlace), so it asks its own question.
bool Decide(OverwriteAnswer answer)
{
    switch (answer) {
    case OverwriteAnswer::Yes: return true;
    case OverwriteAnswer::No: return false;
    case OverwriteAnswer::AskOrNo: break;
    }
    Terminal& terminal = Terminal::Instance();
    if (!terminal.StdinIsTerminal()) return false;
    return terminal
        .AskYesNo(t_question.file + " changed on disk since it was read. Save it anyway, with the changes made "
                                    "on top of its new text?")
        .value_or(false);
}

} // namespace

void InstallOverwritePrompt(OverwriteAnswer answer)
{
    SetPromptHandler([answer](const wchar_t* /*pszText*/, UINT /*nType*/) {
        t_question.asked = true;
        t_question.answeredYes = Decide(answer);
        return t_question.answeredYes ? IDYES : IDNO;
    });
}

OverwriteQuestion& ThisThreadsQuestion()
{
    return t_question;
}

void BeginSave(const std::string& displayPath)
{
    t_question = OverwriteQuestion{displayPath, false, false};
}

} // namespace htmltopic
