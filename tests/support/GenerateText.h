// Helpers for tests that check what a writer puts into a file: a temporary
// folder that cleans up after itself, whole-file reads and writes, and the
// bytes one markup object writes through the real text file class.
#pragma once

#include <string>

class CHTMLObject;

// A new, empty folder under $TMPDIR (or /tmp), removed with everything in it
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& Path() const noexcept { return m_strPath; }
    // Path of a file in the folder (nothing is created).
    std::string File(const std::string& strName) const;
    // The same path as a wide string, for the library's file interfaces.
    std::wstring WideFile(const std::string& strName) const;

private:
    std::string m_strPath;
};

// The bytes of a file; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::string& strPath);
// Creates or replaces a file with exactly these bytes; throws on failure.
void WriteFileBytes(const std::string& strPath, const std::string& strBytes);

// What the object's Generate writes into a new text file (UTF-8, no byte-order
// mark), as the file's bytes.
std::string GenerateToBytes(CHTMLObject& object);
