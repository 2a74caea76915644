#include "TextOutput.h"
#include "Names.h"

#include "ColorArgument.h"
#include "Edits.h"

namespace htmltopic {
namespace {

constexpr size_t kLabelWidth = 12;
const std::string kValueIndent(2 + kLabelWidth + 1, ' ');

// Lines of a value that may span several lines: the first goes after the
// label, the others under it.
class Report {
public:
    void Field(const std::string& label, const std::vector<std::string>& lines)
    {
        std::string padded = "  " + label;
        padded.resize(kValueIndent.size(), ' ');
        if (lines.empty()) {
            m_text += padded + "none\n";
            return;
        }
        for (size_t i = 0; i < lines.size(); ++i) m_text += (i == 0 ? padded : kValueIndent) + lines[i] + "\n";
    }
    void Field(const std::string& label, const std::string& value) { Field(label, std::vector<std::string>{value}); }
    void Line(const std::string& line) { m_text += line + "\n"; }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

std::string OrNone(const std::optional<std::string>& value)
{
    return value ? *value : "none";
}

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

std::string LoopText(int loop)
{
    if (loop < 0) return "loop infinite";
    return loop == 1 ? "once" : "loop " + std::to_string(loop);
}

void AddIfSet(std::string& line, const char* name, const std::string& value)
{
    if (!value.empty()) line += std::string(" ") + name + "=" + value;
}

std::string AreaLine(const AreaSummary& area)
{
    std::string line = (area.shape.empty() ? std::string("rect") : area.shape) + " " + area.coords + " -> " + area.href;
    if (!area.alt.empty()) line += " \"" + area.alt + "\"";
    AddIfSet(line, "target", area.target);
    return line;
}

void AppendMap(std::vector<std::string>& lines, const MapSummary& map, const std::string& indent)
{
    lines.push_back(map.name + " (" + std::to_string(map.areas.size()) +
                    (map.areas.size() == 1 ? " area)" : " areas)"));
    for (const AreaSummary& area : map.areas) lines.push_back(indent + AreaLine(area));
}

void AppendObject(std::vector<std::string>& lines, const ObjectSummary& object, size_t number,
                  const std::string& indent)
{
    std::string head = "#" + std::to_string(number) + " " + (object.id.empty() ? "(no id)" : "id=" + object.id);
    AddIfSet(head, "classid", object.clsid);
    if (object.deleted) head += " (deleted)";
    lines.push_back(head);
    for (const auto& [name, value] : object.attributes) lines.push_back(indent + "attribute " + name + " = " + value);
    for (const auto& [name, value] : object.params) lines.push_back(indent + "param " + name + " = " + value);
}

std::string FrameLine(const FrameNode& node)
{
    std::string line;
    if (node.isFrameset) {
        line = "frameset";
        AddIfSet(line, "cols", Join(node.cols, ","));
        AddIfSet(line, "rows", Join(node.rows, ","));
    }
    else {
        line = "frame";
        AddIfSet(line, "name", node.name);
        AddIfSet(line, "src", node.src);
        AddIfSet(line, "scrolling", node.scrolling);
        if (node.noResize) line += " noresize";
        if (node.marginWidth > 0) line += " marginwidth=" + std::to_string(node.marginWidth);
        if (node.marginHeight > 0) line += " marginheight=" + std::to_string(node.marginHeight);
    }
    if (node.frameBorder) line += " frameborder";
    if (node.borderColor) line += " bordercolor=" + FormatColor(*node.borderColor);
    return line;
}

void AppendFrameTree(std::vector<std::string>& lines, const FrameNode& node, const std::string& indent)
{
    lines.push_back(indent + FrameLine(node));
    for (const FrameNode& child : node.children) AppendFrameTree(lines, child, indent + "  ");
}

void AddProperties(Report& report, const TopicSummary& summary)
{
    report.Field("valid HTML", summary.valid ? "yes" : "no");
    report.Field("encoding", summary.encoding + " (" + summary.encodingSource + ")");
    report.Field("title", OrNone(summary.title));
    report.Field("style sheet", OrNone(summary.styleSheet));
    report.Field("background", OrNone(summary.background));
    report.Field("watermark", summary.watermark ? "on" : "off");
    report.Field("bgsound", summary.bgSound ? *summary.bgSound + " (" + LoopText(summary.bgSoundLoop) + ")" : "none");
    for (size_t i = 0; i < kBodyColorCount; ++i) {
        const auto& color = summary.colors[i];
        report.Field(BodyColorName(static_cast<BodyColor>(i)), color ? FormatColor(*color) : "none");
    }
}

void AddCollections(Report& report, const TopicSummary& summary)
{
    report.Field("bookmarks", summary.bookmarks);
    report.Field("links", summary.links);
    std::vector<std::string> lines;
    for (const ImageSummary& image : summary.images)
        lines.push_back(image.src + (image.useMap.empty() ? "" : " usemap=" + image.useMap));
    report.Field("images", lines);
    lines.clear();
    for (const MediaSummary& media : summary.multimedia)
        lines.push_back((media.backgroundSound ? "bgsound " : "dynsrc ") + media.src + " (" + LoopText(media.loop) +
                        ")");
    report.Field("multimedia", lines);
    lines.clear();
    for (const MapSummary& map : summary.maps) AppendMap(lines, map, "  ");
    report.Field("maps", lines);
    lines.clear();
    for (size_t i = 0; i < summary.objects.size(); ++i) AppendObject(lines, summary.objects[i], i + 1, "  ");
    report.Field("objects", lines);
    lines.clear();
    for (const FrameNode& frameset : summary.framesets) AppendFrameTree(lines, frameset, "");
    report.Field("framesets", lines);
}

} // namespace

std::string FormatTopicText(const TopicSummary& summary)
{
    Report report;
    report.Line(ShownName(summary.file));
    AddProperties(report, summary);
    AddCollections(report, summary);
    return report.Text();
}

std::string FormatMapsText(const std::vector<MapSummary>& maps)
{
    std::vector<std::string> lines;
    for (const MapSummary& map : maps) AppendMap(lines, map, "  ");
    return lines.empty() ? "no maps\n" : Join(lines, "\n") + "\n";
}

std::string FormatObjectsText(const std::vector<ObjectSummary>& objects)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < objects.size(); ++i) AppendObject(lines, objects[i], i + 1, "  ");
    return lines.empty() ? "no objects\n" : Join(lines, "\n") + "\n";
}

} // namespace htmltopic
