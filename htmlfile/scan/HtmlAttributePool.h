// The attribute nodes the tag scanner hands to its callback. Most tags come
// and go without the callee keeping their chain, so the nodes and their
// string buffers are reused from tag to tag instead of being allocated for
// each one; a chain the callee keeps leaves the pool for good.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/scan/Html.h>

#include <cstddef>
#include <vector>

namespace htmlscan {

class HTMLFILE_API AttributePool {
public:
    AttributePool() = default;
    AttributePool(const AttributePool&) = delete;
    AttributePool& operator=(const AttributePool&) = delete;
    ~AttributePool() { Release(); }

    // Makes the node at `index` of the chain being built hold the decoded
    // name and value (a null value when hasValue is false) and links it
    // behind the node at index - 1. Indexes are filled from 0 upwards.
    TagAttribute* Fill(size_t index, const char* name, size_t nameBytes, const char* value, size_t valueBytes,
                       bool hasValue);

    // After the callback: the first `count` nodes come back for reuse...
    void TakeBack(size_t count) noexcept;
    // ...or now belong to the callee with the strings they point to.
    void HandOver(size_t count) noexcept;

    // Frees every node and buffer.
    void Release() noexcept;

private:
    struct Slot {
        TagAttribute* node = nullptr;
        wchar_t* name = nullptr;
        size_t nameCapacity = 0;
        wchar_t* value = nullptr;
        size_t valueCapacity = 0;
        bool valueInChain = false;
    };

    // Buffers beyond this many characters are freed after their tag.
    static constexpr size_t kLargestKeptBuffer = 16 * 1024;

    // Slots beyond this many are freed after their tag.
    static constexpr size_t kMostSlotsKept = 256;

    static void Reserve(wchar_t*& buffer, size_t& capacity, size_t needed);
    static void FreeSlot(Slot& slot) noexcept;
    static void FreeIfHuge(wchar_t*& buffer, size_t& capacity) noexcept;
    void TrimSlots() noexcept;

    std::vector<Slot> m_slots;
};

} // namespace htmlscan
