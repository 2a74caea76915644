#include "support/AttributeChain.h"
#include "support/GenerateText.h"

#include <htmlfile/markup/HtmlObjectTag.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kKeywordClsid = L"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e";

CString Lookup(const CHTMLObjectTag& tag, const wchar_t* pszName)
{
    CString value = L"<absent>";
    tag.LookupAttribute(pszName, value);
    return value;
}

TEST(ObjectTagTest, IdAndBareClsidComeFromTheChainWhichTheMapKeepsAsWritten)
{
    auto chain = MakeAttributes({{L"TYPE", L"application/x-oleobject"}, {L"ClassId", L"CLSID:1E2A"},
                                 {L"iD", L"first"}, {L"iD", L"Object1"}, {L"VIEWASTEXT", nullptr}});
    CHTMLObjectTag tag(chain.get());
    EXPECT_EQ(tag.Id(), L"Object1");
    EXPECT_EQ(tag.Clsid(), L"1E2A");
    EXPECT_EQ(Lookup(tag, L"ClassId"), L"CLSID:1E2A");
    EXPECT_EQ(Lookup(tag, L"CLASSID"), L"<absent>");
    EXPECT_EQ(Lookup(tag, L"VIEWASTEXT"), L"");

    // Setting attributes is case-sensitive and leaves Id() and Clsid() alone.
    EXPECT_EQ(tag.SetAttribute(L"ID", L"other"), 1);
    EXPECT_EQ(tag.SetAttribute(L"ClassId", L"clsid:c"), 1);
    EXPECT_EQ(Lookup(tag, L"iD"), L"Object1");
    EXPECT_EQ(Lookup(tag, L"ID"), L"other");
    EXPECT_EQ(tag.Id(), L"Object1");
    EXPECT_EQ(tag.Clsid(), L"1E2A");

    for (const auto& [pszValue, pszClsid] : {std::pair{L"{1e2a}", L"{1e2a}"}, std::pair{L"clsid:", L""},
                                             std::pair{L"clsid", L"clsid"}, std::pair{L" clsid:1", L" clsid:1"}}) {
        auto one = MakeAttributes({{L"classid", pszValue}});
        EXPECT_EQ(CHTMLObjectTag(one.get()).Clsid(), pszClsid);
    }
}

TEST(ObjectTagTest, AttributesEnumerateInHashOrder)
{
    // Worked out from the names alone: buckets of the 17-bucket string hash
    // in ascending order, the most recently added name first in a bucket.
    const std::vector<std::wstring> names = {L"a", L"id", L"f", L"r", L"w", L"D", L"type", L"classid",
                                             L"width", L"VIEWASTEXT", L"height", L"codebase"};
    auto bucket = [](const std::wstring& name) {
        std::uint32_t hash = 0;
        for (wchar_t unit : name) hash = hash * 33 + static_cast<std::uint32_t>(unit);
        return hash % 17;
    };
    std::vector<std::wstring> expected(names.rbegin(), names.rend());
    std::stable_sort(expected.begin(), expected.end(), [&](auto& a, auto& b) { return bucket(a) < bucket(b); });

    CHTMLObjectTag tag;
    EXPECT_EQ(tag.GetAttributeHeadPosition(), nullptr);
    for (const std::wstring& name : names) tag.SetAttribute(name.c_str(), (L"v" + name).c_str());
    std::vector<std::wstring> enumerated;
    for (POSITION pos = tag.GetAttributeHeadPosition(); pos;) {
        CString name, value;
        tag.GetNextAttribute(pos, name, value);
        EXPECT_EQ(value, L"v" + name.str());
        enumerated.push_back(name.str());
    }
    EXPECT_EQ(enumerated, expected);
}

TEST(ObjectTagTest, WritesTheWholeElement)
{
    // classid (bucket 2) precedes type (bucket 11) and takes the line past
    // column 50.
    auto keyword = MakeAttributes({{L"type", L"application/x-oleobject"}, {L"classid", kKeywordClsid}});
    CHTMLObjectTag tag(keyword.get());
    tag.AddParam(new CHTMLParam(L"Keyword", L"Item1"));
    tag.AddParam(new CHTMLParam(nullptr, nullptr));
    EXPECT_EQ(GenerateToBytes(tag),
              "<OBJECT classid=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\"\r\n"
              "        type=\"application/x-oleobject\">\r\n"
              "<param name=\"Keyword\" value=\"Item1\" />\r\n"
              "<param value=\"\" />\r\n"
              "</OBJECT>");

    // Spelled in upper case, TYPE (bucket 11) comes first and no break is due
    // before the last attribute.
    auto upper = MakeAttributes({{L"TYPE", L"application/x-oleobject"}, {L"CLASSID", kKeywordClsid}});
    CHTMLObjectTag upperTag(upper.get());
    const std::string written = GenerateToBytes(upperTag);
    EXPECT_EQ(written,
              "<OBJECT TYPE=\"application/x-oleobject\" CLASSID=\"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e\">\r\n"
              "</OBJECT>");

    upperTag.Delete(TRUE);
    EXPECT_EQ(GenerateToBytes(upperTag), "");
    upperTag.Delete(FALSE);
    EXPECT_EQ(GenerateToBytes(upperTag), written);
    CHTMLObjectTag empty;
    EXPECT_EQ(GenerateToBytes(empty), "<OBJECT>\r\n</OBJECT>");
}

TEST(ObjectTagTest, BreaksOnlyPastColumnFiftyCountingUtf16Units)
{
    // " w=\"...\"" puts the column at 12 + the value's UTF-16 length; "x"
    // (bucket 1) follows "w" (bucket 0).
    const std::wstring astral = L"\U0001F600";
    const struct {
        std::wstring value;
        bool bBreak;
    } cases[] = {
        {std::wstring(38, L'v'), false},
        {std::wstring(39, L'v'), true},
        {std::wstring(36, L'v') + astral, false},
        {std::wstring(37, L'v') + astral, true},
    };
    for (const auto& c : cases) {
        CHTMLObjectTag tag;
        tag.SetAttribute(L"x", L"1");
        tag.SetAttribute(L"w", c.value.c_str());
        std::string expected = "<OBJECT w=\"" + WideToUtf8(c.value.c_str()) + "\"" +
                               (c.bBreak ? "\r\n       " : "") + " x=\"1\">\r\n</OBJECT>";
        EXPECT_EQ(GenerateToBytes(tag), expected) << c.value.size();
    }
}

TEST(ObjectTagTest, FindParamMatchesTheFirstExactName)
{
    CHTMLObjectTag tag;
    EXPECT_EQ(tag.FindParam(L"Keyword"), nullptr);
    auto* first = new CHTMLParam(L"Keyword", L"one");
    tag.AddParam(first);
    tag.AddParam(new CHTMLParam(L"Keyword", L"two"));
    EXPECT_EQ(tag.FindParam(L"Keyword"), first);
    EXPECT_EQ(tag.FindParam(L"keyword"), nullptr);
    tag.RemoveAllParams();
    EXPECT_EQ(tag.GetParamHeadPosition(), nullptr);
    EXPECT_EQ(GenerateToBytes(tag), "<OBJECT>\r\n</OBJECT>");
}

} // namespace
