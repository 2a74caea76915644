// Prints the title of each topic named on the command line.
#include <htmlfile/htmlfile.h>

#include <cstdio>

int main(int argc, char** argv)
{
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring path = Utf8ToWide(argv[i]);
        CHtmlFile doc(path.c_str(), PARSE_TITLE);
        const wchar_t* title = doc.GetTitle();
        if (!doc.IsValid() && !title) {
            std::fprintf(stderr, "%s: not an HTML topic or not readable\n", argv[i]);
            status = 1;
            continue;
        }
        std::printf("%s: %s\n", argv[i], WideToUtf8(title ? title : L"").c_str());
    }
    return status;
}
