// Frame layouts: a frameset divides the window into a grid given by its
// cols and rows lists and holds frames and nested framesets. Each writes
// itself as indented HTML to a file, or inserts itself into a token list.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/platform/List.h>

#include <functional>

class CHtmlTokenList;

// The value of m_crBorderColor that means "no border colour".
constexpr COLORREF NO_BORDER_COLOR = 0xFFFFFFFF;

class HTMLFILE_API CHtmlFileFramesetItem : public CHTMLObject {
public:
    CHtmlFileFramesetItem() = default;
    CHtmlFileFramesetItem(const CHtmlFileFramesetItem& other) = default;
    CHtmlFileFramesetItem& operator=(const CHtmlFileFramesetItem& other) = default;
    ~CHtmlFileFramesetItem() override = default;

    int Generate(CkvuuStdioFile* pFile) override = 0;

    int m_nItemType = 0;     // 0 = frameset, 1 = frame
    int m_nHeight = 0;       // height in the parent's grid
    int m_nWidth = 0;        // width in the parent's grid
    CString m_strHeightUnit; // "%", "x" (pixels) or "*" (the rest)
    CString m_strWidthUnit;
};

class HTMLFILE_API CHtmlFileFrame : public CHtmlFileFramesetItem {
public:
    CHtmlFileFrame();
    CHtmlFileFrame(const CHtmlFileFrame& other) = default;
    CHtmlFileFrame& operator=(const CHtmlFileFrame& other) = default;
    ~CHtmlFileFrame() override = default;

    int Generate(CkvuuStdioFile* pFile) override;
    // Inserts the frame's tokens before pos (note: position before depth).
    virtual int GenerateIndent(CHtmlTokenList* pList, POSITION pos, int nIndent);
    // Writes one frame line at depth nIndent.
    virtual int GenerateIndent(CkvuuStdioFile* pFile, int nIndent);

    CString m_strName;
    CString m_strSrc;
    int m_nMarginHeight = 0;
    int m_nMarginWidth = 0;
    BOOL m_bFrameBorder = FALSE;
    COLORREF m_crBorderColor = NO_BORDER_COLOR;
    BOOL m_bNoResize = FALSE;
    CString m_strScrolling{L"auto"};

private:
    // Hands the attribute text of the frame tag to put, piece by piece, in
    // the order and under the conditions both writers share.
    void PutAttributes(const std::function<void(const wchar_t*)>& put) const;
};

// A frameset owns its children: its destructor destroys every frame and
// nested frameset in m_listItems.
class HTMLFILE_API CHtmlFileFrameset : public CHtmlFileFramesetItem {
public:
    CHtmlFileFrameset();
    CHtmlFileFrameset(const CHtmlFileFrameset&) = delete;
    CHtmlFileFrameset& operator=(const CHtmlFileFrameset&) = delete;
    ~CHtmlFileFrameset() override;

    int Generate(CkvuuStdioFile* pFile) override;
    // The layout's last line, its end tag, ends with CR LF.
    bool EndsWithLineEnd() const override { return true; }
    int GenerateBeforeLineEnd(CkvuuStdioFile* pFile) override;
    // Inserts the frameset into a token list (note: depth before position).
    // With pos null it finds its own place; see the implementation.
    virtual int GenerateIndent(CHtmlTokenList* pList, int nIndent, POSITION pos);
    // Writes the frameset at depth nIndent, its children one deeper.
    virtual int GenerateIndent(CkvuuStdioFile* pFile, int nIndent);

    // Appends the entries of the cols and rows texts (separated by blanks
    // and commas) to m_listCols and m_listRows.
    int SetSizes(CString& strCols, CString& strRows);
    // Hands the grid cell at the cursor to a child and moves the cursor on,
    // row by row, left to right.
    int SetSizeData(int& nWidth, CString& strWidthUnit, int& nHeight, CString& strHeightUnit);

    CStringList m_listCols{10};
    CStringList m_listRows{10};
    int m_nBorder = 0;
    BOOL m_bFrameBorder = FALSE;
    int m_nFrameSpacing = 0;
    COLORREF m_crBorderColor = NO_BORDER_COLOR;
    int m_nCurCol = 0;
    int m_nCurRow = 0;
    CList<CHtmlFileFramesetItem*, CHtmlFileFramesetItem*> m_listItems{10};

private:
    // Writes the layout at depth nIndent; the end tag's CR LF only with
    // bCloseLine.
    int WriteLayout(CkvuuStdioFile* pFile, int nIndent, bool bCloseLine);
    // Hands the cols and rows attributes of the start tag to put, piece by
    // piece; a list with one entry or none is left out.
    void PutSizeAttributes(const std::function<void(const wchar_t*)>& put) const;
    // Inserts the tokens of a child before pos, calling it as the class its
    // m_nItemType names.
    static void InsertChild(CHtmlFileFramesetItem* pItem, CHtmlTokenList* pList, int nIndent, POSITION pos);
    // Writes a child to a file, calling it as the class its m_nItemType names.
    static void WriteChild(CHtmlFileFramesetItem* pItem, CkvuuStdioFile* pFile, int nIndent);
};
