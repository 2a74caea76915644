#include "LineColumn.h"

#include "Names.h"
#include "ReferenceResolution.h"

#include <htmlfile/text/KvuuStdioFile.h>

#include <algorithm>
#include <numeric>

namespace htmltopic {

std::vector<LineColumn> LineColumnsOf(const std::string& absolutePath, const std::vector<int>& positions)
{
    std::vector<size_t> order(positions.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return positions[a] < positions[b]; });

    std::vector<LineColumn> result(positions.size());
    CkvuuStdioFile file(NameForLibrary(NativePath(absolutePath)).c_str(), CFile::modeRead | CFile::shareDenyNone);
    constexpr UINT kChunk = 64 * 1024;
    std::vector<wchar_t> buffer(kChunk);
    LineColumn at{1, 1};
    long long unit = 1; // position of the unit about to be read
    bool afterCr = false;
    size_t next = 0;
    for (UINT count = file.Read(buffer.data(), kChunk); count > 0 && next < order.size();
         count = file.Read(buffer.data(), kChunk)) {
        for (UINT i = 0; i < count && next < order.size(); ++i, ++unit) {
            while (next < order.size() && positions[order[next]] <= unit) result[order[next++]] = at;
            const wchar_t c = buffer[i];
            if (c == L'\n' && afterCr) {
                // The LF of a CR LF: the CR began the new line already.
            }
            else if (c == L'\n' || c == L'\r') {
                ++at.line;
                at.column = 1;
            }
            else {
                ++at.column;
            }
            afterCr = c == L'\r';
        }
    }
    while (next < order.size()) result[order[next++]] = at;
    return result;
}

} // namespace htmltopic
