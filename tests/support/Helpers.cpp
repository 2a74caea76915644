#include "support/Helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/time.h>

TempDir::TempDir()
{
    const char* pszBase = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/htmlfile-test-XXXXXX";
    if (!::mkdtemp(strTemplate.data())) throw std::runtime_error("cannot create a temporary folder");
    m_strPath = strTemplate;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

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
    struct stat st;
    if (::stat(strPath.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + strPath);
    WriteBytes(strPath, strBytes);
    const struct timeval times[2] = {{st.st_mtime + nSeconds, 0}, {st.st_mtime + nSeconds, 0}};
    if (::utimes(strPath.c_str(), times) != 0) throw std::runtime_error("cannot set the time of " + strPath);
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
