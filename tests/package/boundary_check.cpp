// What a program does with an installed htmlfile that only works when the
// library offers its types whole: catches the exception the library throws,
// casts the elements it made, derives from its classes and has the library
// call back into the derived ones, hands it objects to own, and saves.
//   boundary_check <folder of the example help> <empty scratch folder>
#include <htmlfile/htmlfile.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <typeinfo>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok) ++g_failures;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CatchesTheLibrarysException(const std::wstring& scratch)
{
    const std::wstring missing = scratch + L"/missing.htm";
    int cause = CFileException::none;
    try {
        CFile file(missing.c_str(), CFile::modeRead);
    } catch (const CFileException& e) {
        cause = e.m_cause;
    } catch (...) {
        cause = -1;
    }
    Check(cause == CFileException::fileNotFound, "CFileException thrown by the library, caught by its type");
}

// A document that counts the tags it is told of, by overriding the callback
// of its base class: the library calls it when it parses the file again.
class CountingFile : public CHtmlFile {
public:
    using CHtmlFile::CHtmlFile;
    int m_nTags = 0;

protected:
    unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                          TagAttribute* const pAttributes) override
    {
        ++m_nTags;
        return CHtmlFile::callback(html, reason, pszTag, pAttributes);
    }
};

void DerivesFromTheDocument(const std::string& helpBytes, const std::string& scratchBytes)
{
    const std::string path = scratchBytes + "/derived.htm";
    std::ofstream(path, std::ios::binary) << ReadBytes(helpBytes + "/printing.htm");
    CountingFile doc(Utf8ToWide(path.c_str()).c_str(), PARSE_ALL);
    const bool bParsedByBase = doc.IsValid() && doc.m_nTags == 0;
    // A new version of the file: the next getter parses it again.
    std::ofstream(path, std::ios::binary | std::ios::app) << "<p>changed</p>\n";
    const wchar_t* title = doc.GetTitle();
    Check(bParsedByBase && title && doc.m_nTags > 0, "a class derived from CHtmlFile overrides its callback");
}

void CastsTheElementsItMade(const std::wstring& help)
{
    CHtmlFile doc((help + L"/printing.htm").c_str(), PARSE_ALL);
    POSITION pos = doc.GetObjectTagHeadPosition();
    CHTMLObject* element = pos ? doc.GetNextObjectTag(pos) : nullptr;
    Check(element && dynamic_cast<CHTMLObjectTag*>(element) && typeid(*element) == typeid(CHTMLObjectTag),
          "dynamic_cast and typeid of an element the library made");
}

void EditsAndSaves(const std::wstring& help, const std::string& scratchBytes, const std::wstring& scratch)
{
    const std::wstring copy = scratch + L"/printing.htm";
    CHtmlFile source((help + L"/printing.htm").c_str(), PARSE_ALL);
    Check(source.SaveFileAs(copy.c_str()) != 0, "SaveFileAs into the scratch folder");
    const std::string before = ReadBytes(scratchBytes + "/printing.htm");
    {
        CHtmlFile doc(copy.c_str(), PARSE_ALL | SAVE_CHANGED_ONLY);
        CHTMLObjectTag* object = new CHTMLObjectTag();
        object->SetAttribute(L"id", L"added");
        Check(doc.SetTitle(L"Boundary") && doc.InsertObjectTag(object) && doc.SaveFile(),
              "edit, insert an object made here and save");
    }
    CHtmlFile again(copy.c_str(), PARSE_ALL);
    const wchar_t* title = again.GetTitle();
    Check(title && std::wstring(title) == L"Boundary" && again.FindObjectTagById(L"added"),
          "the saved file reads back with the edits");
    const std::string after = ReadBytes(scratchBytes + "/printing.htm");
    Check(after.size() > before.size() && after.find("Boundary") != std::string::npos, "the file changed on disk");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: boundary_check HELP_FOLDER SCRATCH_FOLDER\n");
        return 2;
    }
    const std::wstring help = Utf8ToWide(argv[1]);
    const std::wstring scratch = Utf8ToWide(argv[2]);
    CatchesTheLibrarysException(scratch);
    DerivesFromTheDocument(argv[1], argv[2]);
    CastsTheElementsItMade(help);
    EditsAndSaves(help, argv[2], scratch);
    return g_failures == 0 ? 0 : 1;
}
