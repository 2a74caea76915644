// The machine-readable reports: one JSON object per line (JSON Lines). The
// field names are part of the tool's interface; docs-cli.md lists them.
#pragma once

#include "TopicSummary.h"

#include <string>
#include <vector>

namespace htmltopic {

// One line, newline included.
std::string FormatTopicJson(const TopicSummary& summary);
std::string FormatMapsJson(const std::string& file, const std::vector<MapSummary>& maps);
std::string FormatObjectsJson(const std::string& file, const std::vector<ObjectSummary>& objects);

} // namespace htmltopic
