// The property changes of `htmltopic set` (and `new`), checked against what
// the topic can take and applied to its document.
#pragma once

#include <htmlfile/platform/Types.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace htmltopic {

class TopicDocument;

// The five colour attributes of the body tag, in option order.
enum class BodyColor { Bg, Text, Link, VLink, ALink };
constexpr size_t kBodyColorCount = 5;
// The attribute (and option) name of a body colour: "bgcolor", "text", ...
const char* BodyColorName(BodyColor color);
unsigned long GetBodyColor(TopicDocument& doc, BodyColor color);

// Each member left empty means "leave as it is".
struct EditRequest {
    std::optional<std::string> title;
    std::optional<std::string> styleSheet; // set this link
    bool removeStyleSheet = false;
    std::array<std::optional<COLORREF>, kBodyColorCount> colors{}; // NO_COLOR removes
    std::optional<std::string> background;                         // as written in the topic
    bool removeBackground = false;
    std::optional<bool> watermark;
    std::optional<std::string> bgSound;
    std::optional<int> bgSoundLoop; // with bgSound; -1 = endless
    bool removeBgSound = false;

    bool IsEmpty() const;
};

struct EditResult {
    // One reason per option the topic cannot take; nothing was applied then.
    std::vector<std::string> refusals;
    // Whether any option changes what the topic records.
    bool changed = false;
};

// Checks every requested change against the document first; only when the
// topic can take all of them are they applied (in memory: the caller saves).
// Removing what a topic does not have is no change and no refusal.
EditResult ApplyEdits(TopicDocument& doc, const EditRequest& request);

} // namespace htmltopic
