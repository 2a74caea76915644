#include <support/TopicFile.h>

#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/time.h>

std::wstring WriteTopic(const TempDir& dir, const std::string& strName, const std::string& strBytes)
{
    WriteFileBytes(dir.File(strName), strBytes);
    return dir.WideFile(strName);
}

long ModificationTime(const std::wstring& strPath)
{
    std::string path = WideToUtf8(strPath.c_str());
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path);
    return static_cast<long>(st.st_mtime);
}

void SetModificationTime(const std::wstring& strPath, long nSeconds)
{
    std::string path = WideToUtf8(strPath.c_str());
    struct timeval times[2] = {{nSeconds, 0}, {nSeconds, 0}};
    if (::utimes(path.c_str(), times) != 0) throw std::runtime_error("cannot set times of " + path);
}

void ShiftModificationTime(const std::wstring& strPath, long nSeconds)
{
    SetModificationTime(strPath, ModificationTime(strPath) + nSeconds);
}

std::string SaveAsBytes(CHtmlFile& doc, const TempDir& dir, const std::string& strName)
{
    if (!doc.SaveFileAs(dir.WideFile(strName).c_str())) throw std::runtime_error("SaveFileAs failed");
    return ReadFileBytes(dir.File(strName));
}

std::string Narrow(const std::wstring& str)
{
    return WideToUtf8(str.c_str());
}

PromptAnswer::PromptAnswer(int nAnswer)
    : m_pCount(std::make_shared<int>(0)), m_pText(std::make_shared<std::wstring>())
{
    auto count = m_pCount;
    auto text = m_pText;
    SetPromptHandler([count, text, nAnswer](const wchar_t* pszText, UINT) {
        ++*count;
        *text = pszText;
        return nAnswer;
    });
}

PromptAnswer::~PromptAnswer()
{
    SetPromptHandler(nullptr);
}
