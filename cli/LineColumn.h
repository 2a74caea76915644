// Line and column of positions the tag scanner reports (1-based decoded
// units). Only the topics that have something to report need them, so the
// text is read again for those alone rather than counted in every parse.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace htmltopic {

struct LineColumn {
    int line = 0;
    int column = 0;
};

// The line and column (both 1-based; CR, LF and CR LF each end a line) of
// every position, in the order given, read through the library's text file
// so that units agree with the scanner's. Positions past the end get the
// end's line and column. Throws CFileException when the file can't be read.
// absolutePath is in the project's form (ProjectPath).
std::vector<LineColumn> LineColumnsOf(const std::string& absolutePath, const std::vector<int>& positions);

} // namespace htmltopic
