// What a recorded element's writer writes, reduced to one number, for a
// document that saves only what changed: an element whose number is the
// same at the save as right after the parse is copied as it was read.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/text/KvuuStdioFile.h>

#include <string>

namespace htmlfile_detail {

class HTMLFILE_API WriterFingerprint {
public:
    WriterFingerprint() : m_sink(m_written) {}
    WriterFingerprint(const WriterFingerprint&) = delete;
    WriterFingerprint& operator=(const WriterFingerprint&) = delete;

    unsigned long long Of(CHTMLObject& element);
    // Whether the element's writer writes now what it wrote right after the
    // parse.
    bool IsAsParsed(CHTMLObject& element);

private:
    std::wstring m_written;
    CkvuuStdioFile m_sink;
};

// Placeholders exist to be replaced by the first save, and elements the
// caller inserted were never read: neither is ever "as read".
HTMLFILE_API bool CanStayAsRead(const CHTMLObject* pElement);

} // namespace htmlfile_detail
