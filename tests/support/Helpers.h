// Helpers for the unit tests: a temporary folder, a topic file read as a
// document and saved through the round-trip checker, the bytes one markup
// object writes, and attribute chains as the tag scanner hands them over.
#pragma once

#include <support/RoundTrip.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

// A new, empty folder in the system's temporary folder, removed with everything in it
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Path() const noexcept { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }
    std::wstring WideFile(const std::string& strName) const { return Utf8ToWide(File(strName).c_str()); }

private:
    std::string m_strPath;
};

// The bytes as t.htm in a temporary folder, read as a document.
struct Topic {
    explicit Topic(const std::string& strBytes, DWORD dwFlags = PARSE_ALL);
    // Saves the document as strName in the folder (SaveFile for "t.htm"),
    // fails the test unless the round-trip checker accepts the save, and
    // returns the saved bytes.
    std::string Save(const std::string& strName = "out.htm");

    TempDir dir;
    std::wstring path;
    RoundTripDocument doc;
};

// Replaces the file's bytes and sets its modification time nSeconds after
// the one it had, so that a document sees it as changed, or not (0).
void RewriteFile(const std::string& strPath, const std::string& strBytes, long nSeconds);

// What the object's Generate (or GenerateBeforeLineEnd) writes into a new
// text file (UTF-8, no mark).
std::string GenerateToBytes(CHTMLObject& object, bool bBeforeLineEnd = false);

// One node per pair, in order, with copies of the strings, as the scanner
// hands them over: a null value stands for an attribute written without
// one, an empty value for one written `name=""`.
std::unique_ptr<TagAttribute> MakeAttributes(
    std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes);
