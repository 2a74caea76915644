#include "TopicDocument.h"
#include "Names.h"

#include <htmlfile/text/FileNames.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace htmltopic {

TopicDocument::TopicDocument(const std::string& absolutePath, bool bRewriteAll, const std::string& encoding)
    : CHtmlFile(NameForLibrary(absolutePath).c_str(), bRewriteAll ? PARSE_ALL : PARSE_ALL | SAVE_CHANGED_ONLY,
                encoding.empty() ? nullptr : Utf8ToWide(encoding.c_str()).c_str())
{
}

TopicDocument::TopicDocument(int nBare, int nWithTitle) : CHtmlFile(nBare, nWithTitle) {}

bool TopicDocument::IsListed(CHTMLObject* pObject) const
{
    // The save writes exactly the elements in the object list; an element
    // object that the parse made but never placed there is not in the file.
    return pObject && m_listObjects.Find(pObject) != nullptr;
}

bool TopicDocument::HasTitleElement()
{
    ParseFile();
    return IsListed(m_pTitle);
}

bool TopicDocument::HasStyleSheetLink()
{
    ParseFile();
    return IsListed(m_pStyleLink) && m_pStyleLink->m_nEnd != -1;
}

bool TopicDocument::IsInsideFrameset(const CHTMLObject& object)
{
    for (POSITION pos = GetFramesetHeadPosition(); pos;) {
        const CHtmlFileFrameset* pFrameset = GetNextFrameset(pos);
        if (object.m_nBegin > pFrameset->m_nBegin && object.m_nEnd < pFrameset->m_nEnd) return true;
    }
    return false;
}

bool TopicDocument::HasBodyTag()
{
    ParseFile();
    // Inside a frame layout it is written only where the layout is not.
    return m_pBodyTag && (!RewritesAll() || !IsInsideFrameset(*m_pBodyTag));
}

bool TopicDocument::HasBodyInsideFrameset()
{
    ParseFile();
    return m_pBodyTag && IsInsideFrameset(*m_pBodyTag);
}

std::string TopicDocument::BackgroundAsWritten()
{
    const wchar_t* pszImage = GetBgImage();
    if (!pszImage) return {};
    CString strRelative(pszImage);
    RelativeFileNameFromFileName(CString(GetFileName()), CString(pszImage), &strRelative, 1, 1, 0);
    return WideToUtf8(strRelative);
}

std::wstring TopicDocument::ResolveAgainstTopic(const std::string& path) const
{
    CString strAbsolute(Utf8ToWide(path.c_str()));
    AbsoluteFileNameFromFileName(CString(GetFileName()), CString(Utf8ToWide(path.c_str())), &strAbsolute);
    return strAbsolute.str();
}

// The current folder joined with the name as given. Nothing is folded: in
// "dl/../x.htm" the system, not the text, decides what ".." names. On
// Windows "/x.htm" is on the current drive.
std::string AbsolutePath(const std::string& path)
{
    const std::filesystem::path given = PathOf(path);
    if (given.is_absolute()) return path;
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? path : NameOf(current / given);
}

namespace {

// Empty when the file opens for reading, else the system's reason.
std::string WhyNotOpen(const std::string& path)
{
#ifdef _WIN32
    const int fd = ::_wopen(NameForLibrary(path).c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) return std::strerror(errno);
    ::_close(fd);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
#endif
    return {};
}

bool IsMissing(const std::error_code& error)
{
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

} // namespace

std::string WhyUnreadable(const std::string& path)
{
    namespace fs = std::filesystem;
    const fs::path name = PathOf(path);
    std::error_code error;
    const fs::file_status status = fs::status(name, error);
    if (status.type() == fs::file_type::not_found || (error && IsMissing(error))) {
        std::error_code linkError;
        if (fs::is_symlink(fs::symlink_status(name, linkError))) return "missing (broken symbolic link)";
        return "missing";
    }
    if (error) return "unreadable: " + error.message();
    if (status.type() == fs::file_type::directory) return "is a folder, not a topic file";
    if (status.type() != fs::file_type::regular) return "not a regular file";
    const std::string why = WhyNotOpen(path);
    return why.empty() ? why : "unreadable: " + why;
}

std::unique_ptr<TopicDocument> OpenTopic(const std::string& path, FileOutcome& outcome, bool bRewriteAll,
                                         const std::string& encoding)
{
    std::string reason = WhyUnreadable(path);
    if (!reason.empty()) {
        outcome.Fail(path, reason);
        return nullptr;
    }
    auto doc = std::make_unique<TopicDocument>(AbsolutePath(path), bRewriteAll, encoding);
    if (const wchar_t* pszCause = doc->GetLastFailure()) {
        outcome.Fail(path, WideToUtf8(pszCause));
        return nullptr;
    }
    return doc;
}

} // namespace htmltopic
