// The one question the library may ask: before overwriting a file that
// another program changed. A program installs a handler that shows it; with
// no handler the answer is IDNO, the safe answer (nothing is overwritten).
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

#include <functional>

using PromptHandler = std::function<int(const wchar_t* pszText, UINT nType)>;

// Installs the handler for the whole process (an empty one removes it).
// Safe to call from any thread; the handler itself may be called from any
// thread that saves a document, so it must be thread-safe too.
HTMLFILE_API void SetPromptHandler(PromptHandler handler);

// Asks the installed handler; IDNO when there is none.
HTMLFILE_API int AfxMessageBox(const wchar_t* pszText, UINT nType = MB_OK, UINT nIDHelp = 0);
