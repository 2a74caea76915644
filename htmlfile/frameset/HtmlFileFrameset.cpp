// The frame layout model (grid sizes handed to children) and the writer
// that saves a layout as indented HTML. The token-list writer lives in
// FramesetTokenWriter.cpp.
#include <htmlfile/frameset/HtmlFileFrameset.h>
#include <htmlfile/markup/MarkupText.h>

#include <climits>

namespace {

constexpr const wchar_t* kIndentUnit = L"    ";

// Integer value of a size entry the way the C runtime's _wtoi reads it:
// leading white space, an optional sign, decimal digits up to the first
// other character; 0 without digits. Out-of-range values saturate instead
// of overflowing.
int ToInt(const wchar_t* psz)
{
    while (*psz == L' ' || (*psz >= L'\t' && *psz <= L'\r'))
        ++psz;
    bool negative = false;
    if (*psz == L'+' || *psz == L'-')
        negative = *psz++ == L'-';
    long long value = 0;
    for (; *psz >= L'0' && *psz <= L'9'; ++psz) {
        value = value * 10 + (*psz - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Reads one cols or rows entry into a size and its unit. A bare "*" takes
// the rest of the space and keeps the size as it is.
void ReadSizeEntry(const CString& entry, int& nValue, CString& strUnit)
{
    if (entry.IsEmpty())
        return;
    if (entry == L"*") {
        strUnit = L"*";
    } else if (entry.GetAt(entry.GetLength() - 1) == L'%') {
        strUnit = L"%";
        nValue = ToInt(entry.Left(entry.GetLength() - 1));
    } else {
        strUnit = L"x";
        nValue = ToInt(entry);
    }
}

// Appends every maximal run of characters other than blank and comma.
void AppendEntries(const CString& strText, CStringList& list)
{
    const std::wstring& text = strText.str();
    size_t pos = 0;
    while ((pos = text.find_first_not_of(L" ,", pos)) != std::wstring::npos) {
        size_t end = text.find_first_of(L" ,", pos);
        if (end == std::wstring::npos)
            end = text.size();
        list.AddTail(text.substr(pos, end - pos).c_str());
        pos = end;
    }
}

using htmlfile_markup::AttributeText;

// The entries with "," between neighbours.
CString Joined(const CStringList& list)
{
    CString joined;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        joined += list.GetNext(pos);
        if (pos)
            joined += L',';
    }
    return joined;
}

void WriteIndent(CHTMLObject& writer, CkvuuStdioFile* pFile, int nIndent)
{
    for (int i = 0; i < nIndent; ++i)
        writer.WriteText(pFile, kIndentUnit);
}

} // namespace

// ---------------------------------------------------------------- frame

CHtmlFileFrame::CHtmlFileFrame()
{
    m_nItemType = 1;
    m_nHeight = m_nWidth = 100;
    m_strHeightUnit = m_strWidthUnit = L"%";
}

void CHtmlFileFrame::PutAttributes(const std::function<void(const wchar_t*)>& put) const
{
    if (!m_strName.IsEmpty())
        put(AttributeText(L"name", m_strName));
    if (!m_strSrc.IsEmpty())
        put(AttributeText(L"src", m_strSrc));
    CString piece;
    if (m_nMarginHeight > 0) {
        piece.Format(L" marginheight=\"%d\"", m_nMarginHeight);
        put(piece);
    }
    if (m_nMarginWidth > 0) {
        piece.Format(L" marginwidth=\"%d\"", m_nMarginWidth);
        put(piece);
    }
    if (m_bFrameBorder)
        put(L" frameborder=\"1\"");
    if (m_bNoResize)
        put(L" noresize=\"noresize\"");
    if (!m_strScrolling.IsEmpty())
        put(AttributeText(L"scrolling", m_strScrolling));
    if (m_crBorderColor != NO_BORDER_COLOR) {
        put(L" bordercolor=");
        // COLORREF is 0x00BBGGRR; HTML wants red first.
        piece.Format(L"\"#%02x%02x%02x\"", m_crBorderColor & 0xFF, (m_crBorderColor >> 8) & 0xFF,
                     (m_crBorderColor >> 16) & 0xFF);
        put(piece);
    }
}

int CHtmlFileFrame::Generate(CkvuuStdioFile* pFile)
{
    return GenerateIndent(pFile, 0);
}

int CHtmlFileFrame::GenerateIndent(CkvuuStdioFile* pFile, int nIndent)
{
    WriteIndent(*this, pFile, nIndent);
    WriteText(pFile, L"<frame");
    PutAttributes([&](const wchar_t* piece) { WriteText(pFile, piece); });
    WriteText(pFile, L" />\r\n");
    return 1;
}

// ------------------------------------------------------------- frameset

CHtmlFileFrameset::CHtmlFileFrameset()
{
    m_nItemType = 0;
    m_nHeight = m_nWidth = 100;
    m_strHeightUnit = m_strWidthUnit = L"%";
}

CHtmlFileFrameset::~CHtmlFileFrameset()
{
    while (!m_listItems.IsEmpty())
        delete m_listItems.RemoveHead();
}

int CHtmlFileFrameset::SetSizes(CString& strCols, CString& strRows)
{
    AppendEntries(strCols, m_listCols);
    AppendEntries(strRows, m_listRows);
    return 1;
}

int CHtmlFileFrameset::SetSizeData(int& nWidth, CString& strWidthUnit, int& nHeight, CString& strHeightUnit)
{
    // FindIndex gives null for a cursor outside a list, so a child beyond
    // the last row simply keeps the size it has.
    if (POSITION pos = m_listCols.FindIndex(m_nCurCol))
        ReadSizeEntry(m_listCols.GetAt(pos), nWidth, strWidthUnit);
    if (POSITION pos = m_listRows.FindIndex(m_nCurRow))
        ReadSizeEntry(m_listRows.GetAt(pos), nHeight, strHeightUnit);
    if (++m_nCurCol >= m_listCols.GetCount()) {
        ++m_nCurRow;
        m_nCurCol = 0;
    }
    return 1;
}

void CHtmlFileFrameset::PutSizeAttributes(const std::function<void(const wchar_t*)>& put) const
{
    if (m_listCols.GetCount() > 1)
        put(AttributeText(L"cols", Joined(m_listCols)));
    if (m_listRows.GetCount() > 1)
        put(AttributeText(L"rows", Joined(m_listRows)));
}

int CHtmlFileFrameset::Generate(CkvuuStdioFile* pFile)
{
    return GenerateIndent(pFile, 0);
}

int CHtmlFileFrameset::GenerateBeforeLineEnd(CkvuuStdioFile* pFile)
{
    return WriteLayout(pFile, 0, false);
}

int CHtmlFileFrameset::GenerateIndent(CkvuuStdioFile* pFile, int nIndent)
{
    return WriteLayout(pFile, nIndent, true);
}

int CHtmlFileFrameset::WriteLayout(CkvuuStdioFile* pFile, int nIndent, bool bCloseLine)
{
    WriteIndent(*this, pFile, nIndent);
    WriteText(pFile, L"<frameset");
    PutSizeAttributes([&](const wchar_t* piece) { WriteText(pFile, piece); });
    WriteText(pFile, L">\r\n");
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;)
        WriteChild(m_listItems.GetNext(pos), pFile, nIndent + 1);
    WriteIndent(*this, pFile, nIndent);
    WriteText(pFile, bCloseLine ? L"</frameset>\r\n" : L"</frameset>");
    return 1;
}

// A child is called as the class its m_nItemType names. The dynamic check
// only guards against a caller who set the type of a child wrongly: such a
// child is left out rather than called as a class it is not.
void CHtmlFileFrameset::WriteChild(CHtmlFileFramesetItem* pItem, CkvuuStdioFile* pFile, int nIndent)
{
    if (!pItem)
        return;
    if (pItem->m_nItemType) {
        if (auto* pFrame = dynamic_cast<CHtmlFileFrame*>(pItem))
            pFrame->GenerateIndent(pFile, nIndent);
    } else if (auto* pFrameset = dynamic_cast<CHtmlFileFrameset*>(pItem)) {
        pFrameset->GenerateIndent(pFile, nIndent);
    }
}
