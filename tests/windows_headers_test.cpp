// A Windows program includes <windows.h> before the library's headers or
// after them, without WIN32_LEAN_AND_MEAN or NOMINMAX; both orders must
// compile without a warning (this test and windows_headers_other_order.cpp
// are built with -Werror) and mean the system's own types.
#include <windows.h>
// The min and max macros, as <windows.h> has them with MSVC (MinGW's leaves
// them out of C++). libstdc++, unlike MSVC's library, does not survive them:
// the standard headers the library's own use come first.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif

#include <htmlfile/htmlfile.h>

#undef min
#undef max
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <type_traits>

// From the other order's translation unit.
COLORREF BackgroundAfterWindowsHeader(const wchar_t* pszTopic);
int AnswerAfterWindowsHeader(const wchar_t* pszTopic);

namespace {

static_assert(std::is_same_v<DWORD, unsigned long>, "DWORD is Win32's");
static_assert(std::is_same_v<HINSTANCE, HINSTANCE__*>, "HINSTANCE is Win32's");
static_assert(MB_YESNO == 4 && IDYES == 6 && IDNO == 7, "message box values are Win32's");

} // namespace

TEST(WindowsHeaders, BothOrdersCallTheLibraryWithTheSystemsTypes)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), "<html><body bgcolor=\"#102030\"><title>T</title></body></html>");
    const std::wstring topic = dir.WideFile("t.htm");
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), CHtmlFile(topic.c_str(), PARSE_ALL).GetBgColor());
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), BackgroundAfterWindowsHeader(topic.c_str()));
    EXPECT_EQ(RGB(255, 0, 0), static_cast<COLORREF>(ColorToRGB(L"red")));
    EXPECT_EQ(IDNO, AnswerAfterWindowsHeader(topic.c_str()));
}
