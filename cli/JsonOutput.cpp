#include "JsonOutput.h"
#include "Names.h"

#include "ColorArgument.h"
#include "Edits.h"

#include <nlohmann/json.hpp>

namespace htmltopic {
namespace {

using json = nlohmann::ordered_json;

json OrNull(const std::optional<std::string>& value)
{
    return value ? json(*value) : json(nullptr);
}

json OrNull(const std::string& value)
{
    return value.empty() ? json(nullptr) : json(value);
}

json NameValueList(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    json list = json::array();
    for (const auto& [name, value] : pairs) list.push_back({{"name", name}, {"value", value}});
    return list;
}

json MapJson(const MapSummary& map)
{
    json areas = json::array();
    for (const AreaSummary& area : map.areas)
        areas.push_back({{"shape", area.shape},
                         {"coords", area.coords},
                         {"href", area.href},
                         {"alt", OrNull(area.alt)},
                         {"target", OrNull(area.target)}});
    return {{"name", map.name}, {"areas", areas}};
}

json ObjectJson(const ObjectSummary& object)
{
    return {{"id", OrNull(object.id)},
            {"clsid", OrNull(object.clsid)},
            {"deleted", object.deleted},
            {"attributes", NameValueList(object.attributes)},
            {"params", NameValueList(object.params)}};
}

json BorderColorJson(const std::optional<COLORREF>& color)
{
    return color ? json(FormatColor(*color)) : json(nullptr);
}

json FrameJson(const FrameNode& node)
{
    if (!node.isFrameset)
        return {{"type", "frame"},
                {"name", OrNull(node.name)},
                {"src", node.src},
                {"scrolling", OrNull(node.scrolling)},
                {"noresize", node.noResize},
                {"marginwidth", node.marginWidth},
                {"marginheight", node.marginHeight},
                {"frameborder", node.frameBorder},
                {"bordercolor", BorderColorJson(node.borderColor)}};
    json children = json::array();
    for (const FrameNode& child : node.children) children.push_back(FrameJson(child));
    return {{"type", "frameset"},
            {"cols", node.cols},
            {"rows", node.rows},
            {"frameborder", node.frameBorder},
            {"bordercolor", BorderColorJson(node.borderColor)},
            {"items", children}};
}

json ColorsJson(const TopicSummary& summary)
{
    json colors = json::object();
    for (size_t i = 0; i < kBodyColorCount; ++i) {
        const auto& color = summary.colors[i];
        colors[BodyColorName(static_cast<BodyColor>(i))] = color ? json(FormatColor(*color)) : json(nullptr);
    }
    return colors;
}

json CollectionsJson(const TopicSummary& summary, json topic)
{
    topic["bookmarks"] = summary.bookmarks;
    topic["links"] = summary.links;
    json& images = topic["images"] = json::array();
    for (const ImageSummary& image : summary.images)
        images.push_back({{"src", image.src}, {"usemap", OrNull(image.useMap)}});
    json& multimedia = topic["multimedia"] = json::array();
    for (const MediaSummary& media : summary.multimedia)
        multimedia.push_back({{"type", media.backgroundSound ? "bgsound" : "dynsrc"},
                              {"src", media.src},
                              {"usemap", OrNull(media.useMap)},
                              {"loop", media.loop}});
    json& maps = topic["maps"] = json::array();
    for (const MapSummary& map : summary.maps) maps.push_back(MapJson(map));
    json& objects = topic["objects"] = json::array();
    for (const ObjectSummary& object : summary.objects) objects.push_back(ObjectJson(object));
    json& framesets = topic["framesets"] = json::array();
    for (const FrameNode& frameset : summary.framesets) framesets.push_back(FrameJson(frameset));
    return topic;
}

// Stands for the file's name until the line is written: the name goes in
// as its own literal, so that no byte of it is lost (JsonName).
const char kNameStandIn[] = "\x01\x01";

// Texts come from files that need not be UTF-8; bad bytes become U+FFFD
// rather than an error.
std::string Line(const json& value, const std::string& file)
{
    std::string line = value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    const std::string standIn = "\"file\":\"\\u0001\\u0001\"";
    const size_t at = line.find(standIn);
    if (at != std::string::npos) line.replace(at, standIn.size(), "\"file\":" + JsonName(file));
    return line;
}

} // namespace

std::string FormatTopicJson(const TopicSummary& summary)
{
    json topic = {
        {"file", kNameStandIn},
        {"valid", summary.valid},
        {"encoding", summary.encoding},
        {"encoding_found", summary.encodingSource},
        {"title", OrNull(summary.title)},
        {"stylesheet", OrNull(summary.styleSheet)},
        {"background", OrNull(summary.background)},
        {"watermark", summary.watermark},
        {"bgsound", summary.bgSound ? json{{"src", *summary.bgSound}, {"loop", summary.bgSoundLoop}} : json(nullptr)},
        {"colors", ColorsJson(summary)},
    };
    return Line(CollectionsJson(summary, std::move(topic)), summary.file);
}

std::string FormatMapsJson(const std::string& file, const std::vector<MapSummary>& maps)
{
    json list = json::array();
    for (const MapSummary& map : maps) list.push_back(MapJson(map));
    return Line({{"file", kNameStandIn}, {"maps", list}}, file);
}

std::string FormatObjectsJson(const std::string& file, const std::vector<ObjectSummary>& objects)
{
    json list = json::array();
    for (const ObjectSummary& object : objects) list.push_back(ObjectJson(object));
    return Line({{"file", kNameStandIn}, {"objects", list}}, file);
}

} // namespace htmltopic
