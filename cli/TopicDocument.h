// The document as the tool uses it: a CHtmlFile that also answers which
// elements its file really has, and the checks made before a file is opened.
#pragma once

#include "FileOutcome.h"

#include <htmlfile/document/HtmlFile.h>

#include <memory>
#include <string>

namespace htmltopic {

class TopicDocument : public CHtmlFile {
public:
    // Opens the topic at an absolute path and records everything. A save
    // writes anew only what was changed, unless bRewriteAll: then every
    // recorded element in the library's own form.
    explicit TopicDocument(const std::string& absolutePath, bool bRewriteAll = false, const std::string& encoding = {});
    bool RewritesAll() const noexcept { return !(m_dwFlags & SAVE_CHANGED_ONLY); }
    // A new topic from a built-in template (see CHtmlFile(int, int)).
    TopicDocument(int nBare, int nWithTitle);

    // Whether a save writes a title element. A file without one still
    // accepts SetTitle, but the title then goes nowhere.
    bool HasTitleElement();
    // Whether the file has a style sheet link of its own (a new one is put
    // in front of the title element).
    bool HasStyleSheetLink();
    // Whether the file has a body start tag that a save writes: the one
    // that carries the colours, the background image and the watermark.
    bool HasBodyTag();
    // Whether a body start tag lies inside a frame layout: the page's
    // no-frames content, which a save does not keep (the layout is written
    // anew from its frames).
    bool HasBodyInsideFrameset();

    // The background image as a save writes it: relative to the topic's
    // folder where it can be (the library hands it out absolute).
    std::string BackgroundAsWritten();
    // A path given as it would be written in this topic, made absolute the
    // way the library keeps background images in memory.
    std::wstring ResolveAgainstTopic(const std::string& path) const;

private:
    bool IsListed(CHTMLObject* pObject) const;
    bool IsInsideFrameset(const CHTMLObject& object);
};

// Path the library is given for a command-line path: absolute, because a
// save needs the folder of the file.
std::string AbsolutePath(const std::string& path);

// Why a path cannot be read as a topic ("missing", "is a folder",
// "unreadable: ..."), or an empty string when it can.
std::string WhyUnreadable(const std::string& path);

// Opens the topic a command-line path names, or records in outcome why it
// cannot (the library would read a missing file as an empty page).
// encoding: a label overriding what the file declares, or empty.
std::unique_ptr<TopicDocument> OpenTopic(const std::string& path, FileOutcome& outcome, bool bRewriteAll = false,
                                         const std::string& encoding = {});

} // namespace htmltopic
