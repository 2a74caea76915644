// CTemplate: writes one of the library's built-in topic templates to a file.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

class HTMLFILE_API CTemplate {
public:
    CTemplate() = default;

    // Loads template nID (1, 2 or 3) of the module hInstance; FALSE when
    // there is no such template.
    BOOL LoadRCData(HINSTANCE hInstance, DWORD nID);

    // Writes the loaded template to pszFileName as UTF-8 without a
    // byte-order mark and without the closing NUL. FALSE when nothing is
    // loaded or the file can't be written.
    BOOL WriteFile(const wchar_t* pszFileName, UINT nOpenFlags);

    const CString& GetText() const noexcept { return m_strText; }

private:
    CString m_strText;
    BOOL m_bLoaded = FALSE;
};
