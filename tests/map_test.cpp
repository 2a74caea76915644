#include "support/GenerateText.h"

#include <htmlfile/markup/HtmlMap.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<CString> Targets(const CHTMLMap& map)
{
    std::vector<CString> targets;
    for (POSITION pos = map.GetTargetHeadPosition(); pos;) targets.push_back(map.GetNextTarget(pos));
    return targets;
}

std::vector<const CHTMLMapArea*> Areas(const CHTMLMap& map)
{
    std::vector<const CHTMLMapArea*> areas;
    for (POSITION pos = map.GetMapAreaHeadPosition(); pos;) areas.push_back(map.GetNextMapArea(pos));
    return areas;
}

// A toolbar picture's map as a help topic records it: target, then area.
std::unique_ptr<CHTMLMap> ToolbarMap()
{
    auto map = std::make_unique<CHTMLMap>(L"toolbar");
    map->AddTarget(L"open.htm");
    map->AddMapArea(new CHTMLMapArea(L"rect", L"0,0,16,16", L"open.htm", L"Open a file", L"main"));
    map->AddTarget(L"save.htm");
    map->AddMapArea(new CHTMLMapArea(L"RECT", L"16,0,32,16", L"save.htm?a=\"1\"&b", nullptr, L""));
    return map;
}

const char* const kToolbarHtml =
    "<MAP NAME=\"toolbar\">\r\n"
    "<AREA SHAPE=\"rect\" COORDS=\"0,0,16,16\" HREF=\"open.htm\" ALT=\"Open a file\" TITLE=\"Open a file\""
    " TARGET=\"main\">\r\n"
    "<AREA SHAPE=\"RECT\" COORDS=\"16,0,32,16\" HREF=\"save.htm?a=\"1\"&b\">\r\n"
    "</MAP>";

TEST(MapTest, WritesEveryAreaOnALineOfItsOwn)
{
    EXPECT_EQ(GenerateToBytes(*ToolbarMap()), kToolbarHtml);
    CHTMLMap empty(nullptr);
    EXPECT_EQ(GenerateToBytes(empty), "<MAP NAME=\"\">\r\n</MAP>");
    CHTMLMapArea bare(L"", nullptr, nullptr, L"", nullptr);
    EXPECT_EQ(GenerateToBytes(bare), "<AREA>\r\n");
}

TEST(MapTest, FindMapAreaMatchesWholeCoordinatesExactly)
{
    auto map = ToolbarMap();
    EXPECT_EQ(map->FindMapArea(L"16,0,32,16"), Areas(*map)[1]);
    for (const wchar_t* pszCoords : {L"16, 0, 32, 16", L"16,0,32", L"16,0,32,16 ", L"", L"save.htm"})
        EXPECT_EQ(map->FindMapArea(pszCoords), nullptr);

    CHTMLMap letters(L"m");
    EXPECT_EQ(letters.FindMapArea(L"A1,B2"), nullptr);
    letters.AddMapArea(new CHTMLMapArea(L"poly", L"A1,B2", L"x.htm", nullptr, nullptr));
    EXPECT_EQ(letters.FindMapArea(L"a1,b2"), nullptr);
}

TEST(MapTest, RemoveAllMapAreasKeepsTheTargets)
{
    auto map = ToolbarMap();
    map->RemoveAllMapAreas();
    EXPECT_EQ(map->GetMapAreaHeadPosition(), nullptr);
    EXPECT_EQ(Targets(*map), (std::vector<CString>{L"open.htm", L"save.htm"}));
    EXPECT_EQ(GenerateToBytes(*map), "<MAP NAME=\"toolbar\">\r\n</MAP>");
}

TEST(MapTest, CopyIsDeepAndOutlivesItsSource)
{
    auto source = ToolbarMap();
    source->m_nBegin = 120;
    source->m_nEnd = 300;
    CHTMLMap copy(*source);
    EXPECT_EQ(copy.m_nBegin, 0);
    EXPECT_EQ(copy.m_nEnd, 0);
    const std::vector<const CHTMLMapArea*> sourceAreas = Areas(*source), copyAreas = Areas(copy);
    ASSERT_EQ(copyAreas.size(), 2u);
    EXPECT_NE(copyAreas[0], sourceAreas[0]);
    EXPECT_NE(copyAreas[1], sourceAreas[1]);

    source.reset();
    EXPECT_EQ(Targets(copy), (std::vector<CString>{L"open.htm", L"save.htm"}));
    EXPECT_EQ(GenerateToBytes(copy), kToolbarHtml);
}

} // namespace
