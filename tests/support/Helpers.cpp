#include "support/Helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

Topic::Topic(const std::string& strBytes, DWORD dwFlags)
    : path((WriteBytes(dir.File("t.htm"), strBytes), dir.WideFile("t.htm"))), doc(path.c_str(), dwFlags)
{
}

std::string Topic::Save(const std::string& strName)
{
    EXPECT_EQ("", SaveAndCheck(doc, dir.WideFile(strName))) << "saving " << strName;
    return std::filesystem::exists(dir.File(strName)) ? ReadBytes(dir.File(strName)) : "";
}

void RewriteFile(const std::string& strPath, const std::string& strBytes, long nSeconds)
{
    // Both throw std::filesystem::filesystem_error (a std::runtime_error) on failure.
    const std::filesystem::path path = std::filesystem::u8path(strPath);
    const auto time = std::filesystem::last_write_time(path);
    WriteBytes(strPath, strBytes);
    std::filesystem::last_write_time(path, time + std::chrono::seconds(nSeconds));
}

std::string GenerateToBytes(CHTMLObject& object, bool bBeforeLineEnd)
{
    TempDir dir;
    {
        CkvuuStdioFile file(dir.WideFile("out.htm").c_str(), CFile::modeCreate | CFile::modeWrite);
        if (bBeforeLineEnd) object.GenerateBeforeLineEnd(&file);
        else object.Generate(&file);
        file.Close();
    }
    return ReadBytes(dir.File("out.htm"));
}

std::unique_ptr<TagAttribute> MakeAttributes(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes)
{
    std::unique_ptr<TagAttribute> head;
    for (auto it = std::rbegin(attributes); it != std::rend(attributes); ++it) {
        auto* pNode = new TagAttribute(it->first, it->second);
        // The node's constructor takes "" for no value; the scanner does not.
        if (it->second && !*it->second) pNode->m_pszValue = static_cast<wchar_t*>(std::calloc(1, sizeof(wchar_t)));
        pNode->m_pNext = head.release();
        head.reset(pNode);
    }
    return head;
}
