#include "TopicDocument.h"
#include "Names.h"

#include <htmlfile/text/FileNames.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
// "dl/../x.htm" the system, not the text, decides what ".." names.
std::string AbsolutePath(const std::string& path)
{
    if (!path.empty() && path.front() == '/') return path;
    std::error_code error;
    std::filesystem::path current = std::filesystem::current_path(error);
    return error ? path : (current / path).string();
}

std::string WhyUnreadable(const std::string& path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) {
        int err = errno;
        struct stat link;
        if (err == ENOENT && ::lstat(path.c_str(), &link) == 0) return "missing (broken symbolic link)";
        if (err == ENOENT || err == ENOTDIR) return "missing";
        return std::string("unreadable: ") + std::strerror(err);
    }
    if (S_ISDIR(status.st_mode)) return "is a folder, not a topic file";
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string("unreadable: ") + std::strerror(errno);
    ::close(fd);
    return {};
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
