#include <htmlfile/document/Fingerprint.h>
#include <htmlfile/markup/HtmlTemplateTag.h>

#include <cstdint>

namespace htmlfile_detail {

namespace {

// Two units at a time are multiplied into the state and folded (a 64-bit
// multiply-xorshift, seeded with the count): fast enough to run over every
// element at each parse; a change that keeps the number is as likely as a
// random 64-bit collision.
unsigned long long Hash(const std::wstring& text)
{
    constexpr unsigned long long kMultiplier = 0x9E3779B97F4A7C15ULL;
    unsigned long long hash = kMultiplier ^ text.size();
    auto mix = [&](unsigned long long word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    };
    size_t i = 0;
    for (; i + 1 < text.size(); i += 2)
        mix(static_cast<std::uint32_t>(text[i]) |
            static_cast<unsigned long long>(static_cast<std::uint32_t>(text[i + 1])) << 32);
    if (i < text.size()) mix(static_cast<std::uint32_t>(text[i]));
    return hash;
}

} // namespace

unsigned long long WriterFingerprint::Of(CHTMLObject& element)
{
    m_written.clear();
    element.Generate(&m_sink);
    return Hash(m_written);
}

bool WriterFingerprint::IsAsParsed(CHTMLObject& element)
{
    return element.m_bFingerprinted && CanStayAsRead(&element) && Of(element) == element.m_nParsedFingerprint;
}

bool CanStayAsRead(const CHTMLObject* pElement)
{
    return pElement->m_nEnd != -1 && !dynamic_cast<const CHTMLTemplateTag*>(pElement);
}

} // namespace htmlfile_detail
