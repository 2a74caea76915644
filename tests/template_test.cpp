#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/outside/Template.h>
#include <htmlfile/resources/Resources.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

const char kHead[] = "<html>\r\n"
                     "\r\n"
                     "<head>\r\n"
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                     "<meta name=\"GENERATOR\" content=\"Orvane Tessaly\">\r\n";
const char kTitle[] = "<title>Title</title>\r\n";
const char kBareTail[] = "</head>\r\n<body>\r\n</body>\r\n</html>\r\n";

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TemplateTest : public ::testing::Test {
protected:
    TemplateTest() : m_path(fs::temp_directory_path() / ("template_test_" + std::to_string(::getpid()))) {}
    ~TemplateTest() override { std::error_code ignored; fs::remove(m_path, ignored); }
    std::wstring Path() const { return Utf8ToWide(m_path.c_str()); }
    fs::path m_path;
};

TEST_F(TemplateTest, EachTemplateIsWrittenAsUtf8WithoutMarkOrNul)
{
    const std::string expected[] = {
        std::string(kHead) + kTitle + "<link rel=\"stylesheet\" href=\"default.css\" type=\"text/css\">\r\n"
            "</head>\r\n\r\n<body>\r\n<h1><meta name=\"template\" pattern=\"title\"></h1>\r\n\r\n"
            "<p>Type topic text here.</p>\r\n</body>\r\n</html>\r\n",
        std::string(kHead) + kBareTail,
        std::string(kHead) + kTitle + kBareTail,
    };
    for (DWORD id = 1; id <= 3; ++id) {
        SCOPED_TRACE(id);
        CTemplate templ;
        ASSERT_TRUE(templ.LoadRCData(htmlfile_resources::ModuleHandle(), id));
        ASSERT_TRUE(templ.WriteFile(Path().c_str(), CFile::modeCreate | CFile::modeWrite));
        EXPECT_EQ(ReadBytes(m_path), expected[id - 1]);

        CkvuuStdioFile file(Path().c_str(), CFile::modeRead | CFile::shareDenyNone);
        std::wstring text(2048, L'\0');
        text.resize(file.Read(&text[0], 2048));
        EXPECT_EQ(text, templ.GetText().str());
    }
}

TEST_F(TemplateTest, FailuresAreReportedNotThrown)
{
    CTemplate templ;
    EXPECT_FALSE(templ.LoadRCData(htmlfile_resources::ModuleHandle(), 4));
    EXPECT_FALSE(templ.LoadRCData(nullptr, 1));
    EXPECT_FALSE(templ.WriteFile(Path().c_str(), CFile::modeCreate | CFile::modeWrite)); // nothing loaded
    EXPECT_FALSE(fs::exists(m_path));

    ASSERT_TRUE(templ.LoadRCData(htmlfile_resources::ModuleHandle(), 2));
    const std::wstring unwritable = Path() + L".missing/topic.htm";
    EXPECT_FALSE(templ.WriteFile(unwritable.c_str(), CFile::modeCreate | CFile::modeWrite));
    htmlfile_testing::FailNthWrite(1);
    EXPECT_FALSE(templ.WriteFile(Path().c_str(), CFile::modeCreate | CFile::modeWrite));
    htmlfile_testing::ResetFaults();
    EXPECT_TRUE(templ.WriteFile(Path().c_str(), CFile::modeCreate | CFile::modeWrite));
}

} // namespace
