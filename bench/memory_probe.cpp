// Peak resident memory of one parse or one save, in a process of its own so
// that nothing else it did counts.
//
//   htmlfile_memory_probe parse FILE        CHtmlFile(FILE, PARSE_ALL)
//   htmlfile_memory_probe save FILE OUT     the same, then SaveFileAs(OUT)
//
// Prints "start_kb=N peak_kb=N" (the high-water mark of resident memory
// before the document is made and at the end) and "elements=N", the
// number of recorded elements, so the caller can see how much was kept.
#include <htmlfile/htmlfile.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <sys/resource.h>

namespace {

long PeakKilobytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kilobytes on Linux
}

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (const char* p = text; *p; ++p) wide.push_back(static_cast<unsigned char>(*p));
    return wide;
}

int Usage()
{
    std::fprintf(stderr, "usage: htmlfile_memory_probe parse FILE | save FILE OUT (ASCII paths)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const bool save = argc == 4 && std::strcmp(argv[1], "save") == 0;
    if (!save && !(argc == 3 && std::strcmp(argv[1], "parse") == 0)) return Usage();

    const long start = PeakKilobytes();
    long elements = 0;
    {
        CHtmlFile doc(Widen(argv[2]).c_str(), PARSE_ALL);
        if (!doc.IsValid()) {
            std::fprintf(stderr, "htmlfile_memory_probe: %s is no topic\n", argv[2]);
            return 1;
        }
        elements = doc.GetNumMaps() + doc.GetNumObjectTags();
        if (save && !doc.SaveFileAs(Widen(argv[3]).c_str())) {
            std::fprintf(stderr, "htmlfile_memory_probe: cannot save %s\n", argv[3]);
            return 1;
        }
    }
    std::printf("start_kb=%ld peak_kb=%ld elements=%ld\n", start, PeakKilobytes(), elements);
    return 0;
}
