// TagAttribute, the attribute node of the tag scanner, and the pool that
// recycles the nodes between tags.
#include <htmlfile/scan/HtmlAttributePool.h>
#include <htmlfile/scan/HtmlText.h>
#include <htmlfile/platform/CaseFold.h>

#include <cstdlib>
#include <cwchar>
#include <new>

namespace {

// A malloc'ed copy, so that whoever ends up with it frees it with free().
wchar_t* CopyString(const wchar_t* text)
{
    const size_t length = std::wcslen(text) + 1;
    auto* copy = static_cast<wchar_t*>(std::malloc(length * sizeof(wchar_t)));
    if (!copy) throw std::bad_alloc();
    return std::wmemcpy(copy, text, length);
}

} // namespace

TagAttribute::TagAttribute(const wchar_t* pszName, const wchar_t* pszValue)
{
    if (pszName && *pszName) m_pszName = CopyString(pszName);
    if (pszValue && *pszValue) {
        try {
            m_pszValue = CopyString(pszValue);
        } catch (...) {
            std::free(m_pszName); // the destructor does not run for a throwing constructor
            throw;
        }
    }
}

TagAttribute::~TagAttribute()
{
    std::free(m_pszName);
    std::free(m_pszValue);
    // Delete the rest of the chain in a loop: recursing through each node's
    // destructor would use stack in proportion to the chain's length.
    TagAttribute* next = m_pNext;
    while (next) {
        TagAttribute* after = next->m_pNext;
        next->m_pNext = nullptr;
        delete next;
        next = after;
    }
}

const wchar_t* TagAttribute::FindAttribute(const wchar_t* pszName) const
{
    if (!pszName || !*pszName) return nullptr;
    for (const TagAttribute* node = this; node; node = node->m_pNext) {
        if (node->m_pszName && CompareFolded(node->m_pszName, pszName) == 0)
            return node->m_pszValue ? node->m_pszValue : node->m_pszName;
    }
    return nullptr;
}

namespace htmlscan {

void AttributePool::Reserve(wchar_t*& buffer, size_t& capacity, size_t needed)
{
    if (capacity >= needed) return;
    // The old contents are not needed, so free and allocate rather than
    // realloc, which would copy them.
    std::free(buffer);
    buffer = nullptr;
    capacity = 0;
    const size_t grown = needed < 32 ? 32 : (needed + 15) / 16 * 16;
    buffer = static_cast<wchar_t*>(std::malloc(grown * sizeof(wchar_t)));
    if (!buffer) throw std::bad_alloc();
    capacity = grown;
}

void AttributePool::FreeIfHuge(wchar_t*& buffer, size_t& capacity) noexcept
{
    if (capacity <= kLargestKeptBuffer) return;
    std::free(buffer);
    buffer = nullptr;
    capacity = 0;
}

TagAttribute* AttributePool::Fill(size_t index, const char* name, size_t nameBytes, const char* value,
                                  size_t valueBytes, bool hasValue)
{
    if (index >= m_slots.size()) m_slots.resize(index + 1);
    Slot& slot = m_slots[index];
    if (!slot.node) slot.node = new TagAttribute();
    TagAttribute& node = *slot.node;
    node.m_pNext = nullptr;
    node.m_pszName = nullptr;
    node.m_pszValue = nullptr;

    // A wide string never has more units than its UTF-8 form has bytes.
    Reserve(slot.name, slot.nameCapacity, nameBytes + 1);
    slot.name[DecodeTagUtf8(name, nameBytes, slot.name)] = L'\0';
    node.m_pszName = slot.name;
    slot.valueInChain = hasValue;
    if (hasValue) {
        Reserve(slot.value, slot.valueCapacity, valueBytes + 1);
        slot.value[DecodeTagUtf8(value, valueBytes, slot.value)] = L'\0';
        node.m_pszValue = slot.value;
    }
    if (index > 0) m_slots[index - 1].node->m_pNext = &node;
    return &node;
}

void AttributePool::TakeBack(size_t count) noexcept
{
    for (size_t i = 0; i < count && i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        slot.node->m_pNext = nullptr;
        slot.node->m_pszName = nullptr;
        slot.node->m_pszValue = nullptr;
        // Reuse pays for ordinary attributes; a huge one should not keep its
        // memory until the end of the file.
        FreeIfHuge(slot.name, slot.nameCapacity);
        FreeIfHuge(slot.value, slot.valueCapacity);
    }
    TrimSlots();
}

// Likewise a tag with very many attributes should not leave them all here.
void AttributePool::TrimSlots() noexcept
{
    if (m_slots.size() <= kMostSlotsKept) return;
    for (size_t i = kMostSlotsKept; i < m_slots.size(); ++i) FreeSlot(m_slots[i]);
    m_slots.resize(kMostSlotsKept);
}

void AttributePool::HandOver(size_t count) noexcept
{
    for (size_t i = 0; i < count && i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        slot.node = nullptr;
        slot.name = nullptr;
        slot.nameCapacity = 0;
        // A valueless attribute leaves its value buffer here.
        if (slot.valueInChain) {
            slot.value = nullptr;
            slot.valueCapacity = 0;
        }
    }
    TrimSlots();
}

void AttributePool::FreeSlot(Slot& slot) noexcept
{
    if (slot.node) {
        // The strings are the slot's buffers, freed below; the chain link
        // points at another slot's node.
        slot.node->m_pNext = nullptr;
        slot.node->m_pszName = nullptr;
        slot.node->m_pszValue = nullptr;
        delete slot.node;
    }
    std::free(slot.name);
    std::free(slot.value);
    slot = Slot();
}

void AttributePool::Release() noexcept
{
    for (Slot& slot : m_slots) FreeSlot(slot);
    std::vector<Slot>().swap(m_slots);
}

} // namespace htmlscan
