// The other order: the library's headers first, then <windows.h>.
#include <htmlfile/htmlfile.h>

#include <windows.h>

COLORREF BackgroundAfterWindowsHeader(const wchar_t* pszTopic)
{
    return CHtmlFile(pszTopic, PARSE_ALL).GetBgColor();
}

// The question a changed topic asks, with the system's MB_* and ID* values.
int AnswerAfterWindowsHeader(const wchar_t* pszTopic)
{
    UINT nAsked = 0;
    SetPromptHandler([&](const wchar_t*, UINT nType) { return nAsked = nType, IDNO; });
    CHtmlFile doc(pszTopic, PARSE_ALL);
    doc.SetTitle(L"Mine");
    CFile other(pszTopic, CFile::modeReadWrite | CFile::shareDenyNone);
    other.Write("<html>", 6); // another program's change
    other.Close();
    const BOOL bSaved = doc.SaveFile();
    SetPromptHandler(nullptr);
    return bSaved || nAsked != (MB_YESNO | MB_ICONEXCLAMATION) ? IDYES : IDNO;
}
