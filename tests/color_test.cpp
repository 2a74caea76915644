#include <htmlfile/color/Color.h>
#include <htmlfile/platform/String.h>

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The sixteen colour names of HTML 4 and a sample of the other CSS level 3
// names, with their #RRGGBB value, kept apart from the library's own table
// on purpose, spelled in lower, upper and mixed case.
TEST(ColorToRgbTest, FindsNamesInAnyCase)
{
    std::istringstream table(
        "black 000000 SILVER C0C0C0 GrAy 808080 white FFFFFF MAROON 800000 ReD FF0000 purple 800080 FUCHSIA FF00FF "
        "GrEeN 008000 lime 00FF00 OLIVE 808000 YeLlOw FFFF00 navy 000080 BLUE 0000FF TeAl 008080 aqua 00FFFF "
        "ALICEBLUE F0F8FF CoRnFlOwErBlUe 6495ED darkslategray 2F4F4F LIGHTGOLDENRODYELLOW FAFAD2 "
        "LiGhTgReY D3D3D3 mediumspringgreen 00FA9A NAVAJOWHITE FFDEAD YeLlOwGrEeN 9ACD32");
    for (std::string name, css; table >> name >> css;) {
        const unsigned long rgb = std::stoul(css, nullptr, 16);
        const COLORREF expected = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
        EXPECT_EQ(ColorToRGB(std::wstring(name.begin(), name.end()).c_str()), expected) << name;
    }
}

TEST(ColorToRgbTest, ReadsHexPairwiseAndGivesZeroForTheUnknown)
{
    const std::pair<const wchar_t*, unsigned long> cases[] = {
        {L"#FF0000", 0x000000FF}, {L"#ff0000", 0x000000FF}, {L"#0000ff", 0x00FF0000}, {L"#0080Ff", 0x00FF8000},
        {L"#fff", 0x00000FFF},    {L"#12345678", 0x00563412}, {L"#12g456", 0x00000012}, {L"#1", 0x00000001},
        {L"#", 0},                {L"##ffffff", 0},          {L"# ffffff", 0},         {L"#A0B0C", 0x000CB0A0},
        {L"lightgrey", 0x00D3D3D3}, {nullptr, 0},
    };
    for (const auto& [pszText, cr] : cases) EXPECT_EQ(ColorToRGB(pszText), cr) << (pszText ? WideToUtf8(pszText) : "null");
    for (const wchar_t* pszText : {L"", L" red", L"red ", L"lightgray", L"grey", L"darkgrey", L"slategrey", L"buttonface",
                                   L"rebeccapurple", L"reds", L"re", L"ffffff", L"aaa", L"zzz", L"\u00e4qua"})
        EXPECT_EQ(ColorToRGB(pszText), 0u) << WideToUtf8(pszText);
}

} // namespace
