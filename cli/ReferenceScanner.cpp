#include "ReferenceScanner.h"

#include "Names.h"
#include "ReferenceResolution.h"

#include <htmlfile/scan/HtmlText.h>
#include <htmlfile/platform/CaseFold.h>

#include <cwchar>
#include <filesystem>

namespace htmltopic {
namespace {

// The class of the objects whose "Keyword" parameters make the index.
constexpr const wchar_t* kKeywordClassId = L"clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e";

bool NameIs(const wchar_t* name, const wchar_t* wanted)
{
    return name && CompareFolded(name, wanted) == 0;
}

// The value of the first attribute of that name; null when there is none or
// it is written without a value (`<a href>` names no file).
const wchar_t* ValueOf(const TagAttribute& attributes, const wchar_t* name)
{
    for (const TagAttribute* p = &attributes; p; p = p->m_pNext)
        if (NameIs(p->m_pszName, name)) return p->m_pszValue;
    return nullptr;
}

// Attribute values arrive as written; a browser reads character references
// in them before it follows a link.
std::string DecodedValue(const wchar_t* value)
{
    if (!std::wcschr(value, L'&')) return WideToUtf8(value);
    const std::string bytes = WideToUtf8(value);
    std::wstring decoded;
    htmlscan::AppendDecodedText(decoded, bytes.data(), bytes.size());
    return WideToUtf8(decoded.c_str(), decoded.size());
}

// A title as a browser shows it: blanks and line ends inside it collapsed
// to one space, none at either end.
std::string CollapsedTitle(const wchar_t* title)
{
    std::string collapsed;
    for (const char c : WideToUtf8(title)) {
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        if (!blank) collapsed += c;
        else if (!collapsed.empty() && collapsed.back() != ' ') collapsed += ' ';
    }
    if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    return collapsed;
}

// Which attributes of a start tag name a file, by tag name.
struct FileAttributes {
    const wchar_t* tag;
    const wchar_t* attributes[3];
};
constexpr FileAttributes kFileAttributes[] = {
    {L"a", {L"href"}},
    {L"area", {L"href"}},
    {L"img", {L"src", L"dynsrc"}},
    {L"body", {L"background"}},
    {L"table", {L"background"}},
    {L"td", {L"background"}},
    {L"th", {L"background"}},
    {L"bgsound", {L"src"}},
    {L"embed", {L"src"}},
    {L"link", {L"href"}},
    {L"frame", {L"src"}},
    {L"iframe", {L"src"}},
};

class ReferenceScanner : public CHtmlFile {
public:
    ReferenceScanner(const std::string& absolutePath, ScanFor purpose, const std::string& encoding)
        : CHtmlFile(L"", purpose == ScanFor::Keywords ? DWORD{PARSE_TITLE} : DWORD{0},
                    encoding.empty() ? nullptr : Utf8ToWide(encoding.c_str()).c_str()),
          m_purpose(purpose)
    {
        // The base parses in its constructor, before this object's callback
        // takes part; it is given no file there, and the parse starts here.
        m_strFileName = NameForLibrary(NativePath(absolutePath)).c_str();
        m_fileStatus.m_size = ~0ULL; // not parsed yet
        m_scan.read = ParseFile() != 0;
        if (!m_scan.read) m_scan.failure = GetLastFailure() ? WideToUtf8(GetLastFailure()) : "unreadable";
        if (m_scan.read && purpose == ScanFor::Keywords) {
            const wchar_t* title = GetTitle();
            m_scan.title = title ? CollapsedTitle(title) : std::string();
        }
    }

    TopicScan Take() { return std::move(m_scan); }

protected:
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                          TagAttribute* const pAttributes) override
    {
        // Read before the base runs: it may take the attribute chain over.
        if (pszTag && reason == HTMLCB_STARTTAG) OnStartTag(html, pszTag, pAttributes);
        if (pszTag && reason == HTMLCB_ENDTAG && NameIs(pszTag, L"object")) m_inKeywordObject = false;
        return CHtmlFile::callback(html, reason, pszTag, pAttributes);
    }

private:
    void OnStartTag(HTML& html, const wchar_t* tag, const TagAttribute* attributes)
    {
        if (NameIs(tag, L"object")) m_inKeywordObject = false;
        if (!attributes) return;
        if (m_purpose == ScanFor::Keywords) return OnKeywordTag(tag, *attributes);
        if (const wchar_t* id = ValueOf(*attributes, L"id")) m_scan.bookmarks.insert(DecodedValue(id));
        for (const FileAttributes& entry : kFileAttributes) {
            if (!NameIs(tag, entry.tag)) continue;
            for (const wchar_t* name : entry.attributes)
                if (name) Add(html, ReferenceKind::File, ValueOf(*attributes, name));
        }
        if (NameIs(tag, L"a")) {
            if (const wchar_t* name = ValueOf(*attributes, L"name")) m_scan.bookmarks.insert(DecodedValue(name));
        }
        else if (NameIs(tag, L"img")) {
            Add(html, ReferenceKind::Map, ValueOf(*attributes, L"usemap"));
        }
        else if (NameIs(tag, L"map")) {
            if (const wchar_t* name = ValueOf(*attributes, L"name"))
                m_scan.maps.insert(FoldMapName(DecodedValue(name)));
        }
        else if (m_purpose == ScanFor::Contents && NameIs(tag, L"param") &&
                 NameIs(ValueOf(*attributes, L"name"), L"Local")) {
            Add(html, ReferenceKind::File, ValueOf(*attributes, L"value"));
        }
    }

    void OnKeywordTag(const wchar_t* tag, const TagAttribute& attributes)
    {
        if (NameIs(tag, L"object")) {
            m_inKeywordObject = NameIs(ValueOf(attributes, L"classid"), kKeywordClassId);
        }
        else if (m_inKeywordObject && NameIs(tag, L"param") && NameIs(ValueOf(attributes, L"name"), L"Keyword")) {
            if (const wchar_t* value = ValueOf(attributes, L"value")) m_scan.keywords.push_back(DecodedValue(value));
        }
    }

    void Add(HTML& html, ReferenceKind kind, const wchar_t* value)
    {
        if (!value) return;
        m_scan.references.push_back({kind, html.TagBegin(), WideToUtf8(value), DecodedValue(value)});
    }

    ScanFor m_purpose;
    TopicScan m_scan;
    bool m_inKeywordObject = false;
};


} // namespace

TopicScan ScanTopic(const std::string& absolutePath, ScanFor purpose, const std::string& encoding)
{
    ReferenceScanner scanner(absolutePath, purpose, encoding);
    return scanner.Take();
}

bool IsContentsFile(const std::string& path)
{
    const std::string extension = AsciiLower(NameOf(PathOf(path).extension()));
    return extension == ".hhc" || extension == ".hhk";
}

std::string FoldMapName(const std::string& name)
{
    return AsciiLower(name);
}

} // namespace htmltopic
