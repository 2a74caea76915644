#include "support/AttributeChain.h"

#include <cwchar>

std::unique_ptr<TagAttribute> MakeAttributes(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes)
{
    std::unique_ptr<TagAttribute> head;
    TagAttribute* pTail = nullptr;
    for (const auto& [pszName, pszValue] : attributes) {
        auto* node = new TagAttribute;
        node->m_pszName = pszName ? wcsdup(pszName) : nullptr;
        node->m_pszValue = pszValue ? wcsdup(pszValue) : nullptr;
        if (pTail) pTail->m_pNext = node;
        else head.reset(node);
        pTail = node;
    }
    return head;
}
