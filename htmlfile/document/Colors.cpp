// The five colour attributes of the body start tag.
#include <htmlfile/document/HtmlFile.h>

unsigned long CHtmlFile::FindColor(const wchar_t* pszName)
{
    if (!(m_dwFlags & PARSE_BODY) || !ParseFile() || !m_pBodyTag) return NO_COLOR;
    const wchar_t* pszValue = m_pBodyTag->GetAttribute(pszName);
    return pszValue ? ColorToRGB(pszValue) : NO_COLOR;
}

int CHtmlFile::SetColor(const wchar_t* pszName, unsigned long cr)
{
    if (!(m_dwFlags & PARSE_BODY) || !m_pBodyTag) return 0;
    CString strValue;
    if (cr != NO_COLOR) strValue.Format(L"#%02x%02x%02x", static_cast<unsigned>(cr & 0xFF), static_cast<unsigned>((cr >> 8) & 0xFF),
                                 static_cast<unsigned>((cr >> 16) & 0xFF));
    return m_pBodyTag->SetAttribute(pszName, strValue);
}

unsigned long CHtmlFile::GetLinkColor() { return FindColor(L"link"); }
unsigned long CHtmlFile::GetVLinkColor() { return FindColor(L"vlink"); }
unsigned long CHtmlFile::GetALinkColor() { return FindColor(L"alink"); }
unsigned long CHtmlFile::GetBgColor() { return FindColor(L"bgcolor"); }
unsigned long CHtmlFile::GetTextColor() { return FindColor(L"text"); }
int CHtmlFile::SetLinkColor(unsigned long cr) { return SetColor(L"link", cr); }
int CHtmlFile::SetVLinkColor(unsigned long cr) { return SetColor(L"vlink", cr); }
int CHtmlFile::SetALinkColor(unsigned long cr) { return SetColor(L"alink", cr); }
int CHtmlFile::SetBgColor(unsigned long cr) { return SetColor(L"bgcolor", cr); }
int CHtmlFile::SetTextColor(unsigned long cr) { return SetColor(L"text", cr); }
