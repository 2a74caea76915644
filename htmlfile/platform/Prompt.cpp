#include <htmlfile/platform/Prompt.h>

#include <memory>
#include <mutex>

namespace {

// The handler is process configuration set by the program, not document
// state; it is swapped under a lock and called through a shared copy so that
// a prompt in progress is unaffected by a concurrent change.
struct PromptRegistry {
    std::mutex lock;
    std::shared_ptr<PromptHandler> handler;
};

PromptRegistry& Registry()
{
    static PromptRegistry registry;
    return registry;
}

} // namespace

void SetPromptHandler(PromptHandler handler)
{
    auto next = handler ? std::make_shared<PromptHandler>(std::move(handler)) : nullptr;
    std::lock_guard<std::mutex> guard(Registry().lock);
    Registry().handler = std::move(next);
}

int AfxMessageBox(const wchar_t* pszText, UINT nType, UINT /*nIDHelp*/)
{
    std::shared_ptr<PromptHandler> handler;
    {
        std::lock_guard<std::mutex> guard(Registry().lock);
        handler = Registry().handler;
    }
    return handler ? (*handler)(pszText ? pszText : L"", nType) : IDNO;
}
