// The human-readable reports: a topic for `show`, its maps for `maps` and
// its embedded objects for `objects`.
#pragma once

#include "TopicSummary.h"

#include <string>
#include <vector>

namespace htmltopic {

// The file's path, then one aligned "label  value" line per property and
// collection; list items after the first, and nested items, are indented
// under the value column.
std::string FormatTopicText(const TopicSummary& summary);

// One block per map (or object), items indented by two blanks.
std::string FormatMapsText(const std::vector<MapSummary>& maps);
std::string FormatObjectsText(const std::vector<ObjectSummary>& objects);

} // namespace htmltopic
