#include "support/GenerateText.h"

#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/platform/String.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

TempDir::TempDir()
{
    const char* pszBase = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszBase && *pszBase ? pszBase : "/tmp") + "/htmlfile-test-XXXXXX";
    std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot create a temporary folder");
    m_strPath = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

std::string TempDir::File(const std::string& strName) const
{
    return m_strPath + "/" + strName;
}

std::wstring TempDir::WideFile(const std::string& strName) const
{
    return Utf8ToWide(File(strName).c_str());
}

std::string ReadFileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + strPath);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + strPath);
}

std::string GenerateToBytes(CHTMLObject& object)
{
    TempDir dir;
    std::wstring strFile = dir.WideFile("generated.htm");
    {
        CkvuuStdioFile file(strFile.c_str(), CFile::modeCreate | CFile::modeWrite);
        object.Generate(&file);
        file.Close();
    }
    return ReadFileBytes(dir.File("generated.htm"));
}
