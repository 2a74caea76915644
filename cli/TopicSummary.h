// Everything the tool reports about one topic, read from its document into
// plain UTF-8 values that the text and JSON writers share.
#pragma once

#include <htmlfile/platform/Types.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace htmltopic {

class TopicDocument;

struct ImageSummary {
    std::string src;
    std::string useMap;
};

struct MediaSummary {
    std::string src;
    std::string useMap;
    bool backgroundSound = false; // else a dynamic-source image
    int loop = 1;                 // -1 = endless
};

struct AreaSummary {
    std::string shape, coords, href, alt, target;
};

struct MapSummary {
    std::string name;
    std::vector<AreaSummary> areas;
};

struct ObjectSummary {
    std::string id;
    std::string clsid;
    bool deleted = false;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::pair<std::string, std::string>> params;
};

// One frame or frameset of a frame layout.
struct FrameNode {
    bool isFrameset = false;
    // Frameset.
    std::vector<std::string> cols, rows;
    std::vector<FrameNode> children;
    // Frame.
    std::string name, src, scrolling;
    bool noResize = false;
    int marginWidth = 0, marginHeight = 0;
    // Both.
    bool frameBorder = false;
    std::optional<COLORREF> borderColor;
};

struct TopicSummary {
    std::string file; // as the user named it
    bool valid = false;
    std::string encoding;       // "Shift_JIS", as the library read the file
    std::string encodingSource; // "declared", "assumed", "byte-order mark"...
    std::optional<std::string> title;
    std::optional<std::string> styleSheet;
    std::optional<std::string> background; // as written in the topic
    bool watermark = false;
    std::optional<std::string> bgSound;
    int bgSoundLoop = 1;
    std::array<std::optional<COLORREF>, 5> colors{}; // in BodyColor order
    std::vector<std::string> bookmarks;
    std::vector<std::string> links;
    std::vector<ImageSummary> images;
    std::vector<MediaSummary> multimedia;
    std::vector<MapSummary> maps;
    std::vector<ObjectSummary> objects;
    std::vector<FrameNode> framesets;
};

TopicSummary SummarizeTopic(TopicDocument& doc, const std::string& displayPath);
std::vector<MapSummary> SummarizeMaps(TopicDocument& doc);
std::vector<ObjectSummary> SummarizeObjects(TopicDocument& doc);

} // namespace htmltopic
