// Helpers for document tests: topic files written into a temporary folder,
// read back, and their modification times moved.
#pragma once

#include <support/GenerateText.h>

#include <htmlfile/htmlfile.h>

#include <memory>
#include <string>

// Writes bytes as a topic file in dir and returns its wide path.
std::wstring WriteTopic(const TempDir& dir, const std::string& strName, const std::string& strBytes);

// Moves the file's modification time by nSeconds (so a document sees it as
// changed without waiting for the clock).
void ShiftModificationTime(const std::wstring& strPath, long nSeconds);
long ModificationTime(const std::wstring& strPath);
void SetModificationTime(const std::wstring& strPath, long nSeconds);

// Saves the document under a new name in dir and returns the saved bytes.
std::string SaveAsBytes(CHtmlFile& doc, const TempDir& dir, const std::string& strName);

std::string Narrow(const std::wstring& str);

// Answers every overwrite question with a fixed answer while in scope, and
// counts the questions.
class PromptAnswer {
public:
    explicit PromptAnswer(int nAnswer);
    ~PromptAnswer();
    PromptAnswer(const PromptAnswer&) = delete;
    PromptAnswer& operator=(const PromptAnswer&) = delete;

    int Count() const noexcept { return *m_pCount; }
    const std::wstring& LastText() const noexcept { return *m_pText; }

private:
    std::shared_ptr<int> m_pCount;
    std::shared_ptr<std::wstring> m_pText;
};
