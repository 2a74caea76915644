#include <htmlfile/resources/Resources.h>

#include <cwchar>

namespace htmlfile_resources {
namespace {

struct ModuleToken {};
const ModuleToken g_module{};

#define HEAD_LINES                                                              \
    L"<html>\r\n"                                                               \
    L"\r\n"                                                                     \
    L"<head>\r\n"                                                               \
    L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n" \
    L"<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n"

const wchar_t kStandardTopic[] =
    HEAD_LINES
    L"<title>Title</title>\r\n"
    L"<link rel=\"stylesheet\" href=\"default.css\" type=\"text/css\">\r\n"
    L"</head>\r\n"
    L"\r\n"
    L"<body>\r\n"
    L"<h1><meta name=\"template\" pattern=\"title\"></h1>\r\n"
    L"\r\n"
    L"<p>Type topic text here.</p>\r\n"
    L"</body>\r\n"
    L"</html>\r\n";

const wchar_t kBarePage[] =
    HEAD_LINES
    L"</head>\r\n"
    L"<body>\r\n"
    L"</body>\r\n"
    L"</html>\r\n";

const wchar_t kBarePageWithTitle[] =
    HEAD_LINES
    L"<title>Title</title>\r\n"
    L"</head>\r\n"
    L"<body>\r\n"
    L"</body>\r\n"
    L"</html>\r\n";

#undef HEAD_LINES

} // namespace

HINSTANCE ModuleHandle() noexcept
{
    return reinterpret_cast<HINSTANCE>(const_cast<ModuleToken*>(&g_module));
}

const wchar_t* FindString(UINT nID) noexcept
{
    switch (nID) {
    case IDS_NEW_TOPIC:
        return L"New Topic";
    case IDS_FILE_CHANGED_ON_DISK:
        return L"The file '%s' was modified by another process. Would you like to continue saving and "
               L"overwrite those changes?\n\nIf you choose Yes, the changes made by the other process will be "
               L"lost.\n\nIf you choose No, the file will not be saved.";
    default:
        return nullptr;
    }
}

const wchar_t* FindTemplate(HINSTANCE hInstance, DWORD nID, size_t* pLength) noexcept
{
    if (hInstance != ModuleHandle()) return nullptr;
    const wchar_t* text = nID == 1 ? kStandardTopic : nID == 2 ? kBarePage : nID == 3 ? kBarePageWithTitle : nullptr;
    if (text && pLength) *pLength = std::wcslen(text);
    return text;
}

} // namespace htmlfile_resources
