#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/text/Template.h>
#include <htmlfile/resources/Resources.h>

BOOL CTemplate::LoadRCData(HINSTANCE hInstance, DWORD nID)
{
    size_t nLength = 0;
    const wchar_t* pszText = htmlfile_resources::FindTemplate(hInstance, nID, &nLength);
    m_bLoaded = pszText != nullptr;
    m_strText = m_bLoaded ? CString(pszText, static_cast<int>(nLength)) : CString();
    return m_bLoaded;
}

// The templates declare charset=utf-8 in their meta line, so that is what
// they are written in.
BOOL CTemplate::WriteFile(const wchar_t* pszFileName, UINT nOpenFlags)
{
    if (!m_bLoaded) return FALSE;
    try {
        CkvuuStdioFile file(pszFileName, nOpenFlags);
        file.SetEncoding(CkvuuStdioFile::encodingUtf8, FALSE);
        file.Write(m_strText.GetString(), static_cast<UINT>(m_strText.GetLength()));
        file.Close();
        return TRUE;
    } catch (...) {
        // Callers only learn success or failure; a new topic then parses
        // whatever the file holds.
        return FALSE;
    }
}
