// A document held as a list of tokens: every start or end tag is one tag
// token, and every run of anything else between tags (text, comments, the
// doctype, script bodies, a tag left unfinished at the end) is one text
// token, so joining the tokens' texts gives the document back exactly.
// Frame layouts can insert themselves into such a list.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/List.h>
#include <htmlfile/platform/String.h>

#include <cstddef>

class CkvuuStdioFile;

// Token kinds.
enum : int {
    HTML_TOKEN_TEXT = 1,
    HTML_TOKEN_TAG = 2,
};

// Added to an element's tag code for its end tag.
constexpr int HTML_ENDTAG_BIT = 0x10000000;

// Tag codes of the known elements (names are matched ignoring ASCII case).
// body (64) and noframes (0x34010) have the codes that frame layouts look
// for; the other elements are numbered from 1 in alphabetical order, with 64
// left out. An element added later takes the next free number, so no code
// ever changes. An element not listed here has HTML_TAG_UNKNOWN; its end tag
// therefore carries HTML_ENDTAG_BIT alone. Tokens that are not tags have 0.
enum : int {
    HTML_TAG_UNKNOWN = 0,
    HTML_TAG_A = 1, HTML_TAG_ABBR = 2, HTML_TAG_ACRONYM = 3, HTML_TAG_ADDRESS = 4,
    HTML_TAG_APPLET = 5, HTML_TAG_AREA = 6, HTML_TAG_ARTICLE = 7, HTML_TAG_ASIDE = 8,
    HTML_TAG_AUDIO = 9, HTML_TAG_B = 10, HTML_TAG_BASE = 11, HTML_TAG_BASEFONT = 12,
    HTML_TAG_BDI = 13, HTML_TAG_BDO = 14, HTML_TAG_BGSOUND = 15, HTML_TAG_BIG = 16,
    HTML_TAG_BLINK = 17, HTML_TAG_BLOCKQUOTE = 18, HTML_TAG_BODY = 64, HTML_TAG_BR = 19,
    HTML_TAG_BUTTON = 20, HTML_TAG_CANVAS = 21, HTML_TAG_CAPTION = 22, HTML_TAG_CENTER = 23,
    HTML_TAG_CITE = 24, HTML_TAG_CODE = 25, HTML_TAG_COL = 26, HTML_TAG_COLGROUP = 27,
    HTML_TAG_DATA = 28, HTML_TAG_DATALIST = 29, HTML_TAG_DD = 30, HTML_TAG_DEL = 31,
    HTML_TAG_DETAILS = 32, HTML_TAG_DFN = 33, HTML_TAG_DIALOG = 34, HTML_TAG_DIR = 35,
    HTML_TAG_DIV = 36, HTML_TAG_DL = 37, HTML_TAG_DT = 38, HTML_TAG_EM = 39, HTML_TAG_EMBED = 40,
    HTML_TAG_FIELDSET = 41, HTML_TAG_FIGCAPTION = 42, HTML_TAG_FIGURE = 43, HTML_TAG_FONT = 44,
    HTML_TAG_FOOTER = 45, HTML_TAG_FORM = 46, HTML_TAG_FRAME = 47, HTML_TAG_FRAMESET = 48,
    HTML_TAG_H1 = 49, HTML_TAG_H2 = 50, HTML_TAG_H3 = 51, HTML_TAG_H4 = 52, HTML_TAG_H5 = 53,
    HTML_TAG_H6 = 54, HTML_TAG_HEAD = 55, HTML_TAG_HEADER = 56, HTML_TAG_HGROUP = 57,
    HTML_TAG_HR = 58, HTML_TAG_HTML = 59, HTML_TAG_I = 60, HTML_TAG_IFRAME = 61,
    HTML_TAG_ILAYER = 62, HTML_TAG_IMG = 63, HTML_TAG_INPUT = 65, HTML_TAG_INS = 66,
    HTML_TAG_ISINDEX = 67, HTML_TAG_KBD = 68, HTML_TAG_KEYGEN = 69, HTML_TAG_LABEL = 70,
    HTML_TAG_LAYER = 71, HTML_TAG_LEGEND = 72, HTML_TAG_LI = 73, HTML_TAG_LINK = 74,
    HTML_TAG_LISTING = 75, HTML_TAG_MAIN = 76, HTML_TAG_MAP = 77, HTML_TAG_MARK = 78,
    HTML_TAG_MARQUEE = 79, HTML_TAG_MATH = 80, HTML_TAG_MENU = 81, HTML_TAG_META = 82,
    HTML_TAG_METER = 83, HTML_TAG_MULTICOL = 84, HTML_TAG_NAV = 85, HTML_TAG_NOBR = 86,
    HTML_TAG_NOEMBED = 87, HTML_TAG_NOFRAMES = 0x34010, HTML_TAG_NOLAYER = 88,
    HTML_TAG_NOSCRIPT = 89, HTML_TAG_OBJECT = 90, HTML_TAG_OL = 91, HTML_TAG_OPTGROUP = 92,
    HTML_TAG_OPTION = 93, HTML_TAG_OUTPUT = 94, HTML_TAG_P = 95, HTML_TAG_PARAM = 96,
    HTML_TAG_PICTURE = 97, HTML_TAG_PLAINTEXT = 98, HTML_TAG_PRE = 99, HTML_TAG_PROGRESS = 100,
    HTML_TAG_Q = 101, HTML_TAG_RB = 102, HTML_TAG_RP = 103, HTML_TAG_RT = 104, HTML_TAG_RTC = 105,
    HTML_TAG_RUBY = 106, HTML_TAG_S = 107, HTML_TAG_SAMP = 108, HTML_TAG_SCRIPT = 109,
    HTML_TAG_SEARCH = 110, HTML_TAG_SECTION = 111, HTML_TAG_SELECT = 112, HTML_TAG_SLOT = 113,
    HTML_TAG_SMALL = 114, HTML_TAG_SOURCE = 115, HTML_TAG_SPACER = 116, HTML_TAG_SPAN = 117,
    HTML_TAG_STRIKE = 118, HTML_TAG_STRONG = 119, HTML_TAG_STYLE = 120, HTML_TAG_SUB = 121,
    HTML_TAG_SUMMARY = 122, HTML_TAG_SUP = 123, HTML_TAG_SVG = 124, HTML_TAG_TABLE = 125,
    HTML_TAG_TBODY = 126, HTML_TAG_TD = 127, HTML_TAG_TEMPLATE = 128, HTML_TAG_TEXTAREA = 129,
    HTML_TAG_TFOOT = 130, HTML_TAG_TH = 131, HTML_TAG_THEAD = 132, HTML_TAG_TIME = 133,
    HTML_TAG_TITLE = 134, HTML_TAG_TR = 135, HTML_TAG_TRACK = 136, HTML_TAG_TT = 137,
    HTML_TAG_U = 138, HTML_TAG_UL = 139, HTML_TAG_VAR = 140, HTML_TAG_VIDEO = 141,
    HTML_TAG_WBR = 142, HTML_TAG_XMP = 143,
};

// Code of an element name ("TD", "frameset"), HTML_TAG_UNKNOWN when the
// name is null or not a known element.
HTMLFILE_API int HtmlTagCodeFromName(const wchar_t* pszName);

// Code of the full text of one tag: the element's code for a start tag
// ("<td class=x>"), plus HTML_ENDTAG_BIT for an end tag ("</TD>"). The name
// runs from after "<" or "</" to the first blank, "/" or ">", as in HTML,
// and must begin with an ASCII letter. Text that is not a start or end tag
// (plain text, a comment, "<!doctype html>", "< b>") gives 0.
HTMLFILE_API int HtmlTagCodeFromText(const wchar_t* pszText);

class HTMLFILE_API CHtmlTokenItem {
public:
    CHtmlTokenItem(int nKind, const wchar_t* pszText, int nTagCode = 0);
    CHtmlTokenItem(const CHtmlTokenItem&) = default;
    CHtmlTokenItem& operator=(const CHtmlTokenItem&) = default;
    virtual ~CHtmlTokenItem() = default;

    int m_nKind;     // HTML_TOKEN_TEXT or HTML_TOKEN_TAG
    int m_nTagCode;  // for a tag, its code (see above); 0 for text
    CString m_strText;
};

// A tag token made from the full text of one tag; its code is worked out
// from that text (HtmlTagCodeFromText).
class HTMLFILE_API CHtmlTagItem : public CHtmlTokenItem {
public:
    explicit CHtmlTagItem(const wchar_t* pszText);
};

class HTMLFILE_API CHtmlTextItem : public CHtmlTokenItem {
public:
    explicit CHtmlTextItem(const wchar_t* pszText);
};

// A list of tokens that owns them: tokens handed to it (AddTail,
// InsertBefore, ...) are deleted by DeleteAll, Parse and the destructor.
// The list operations inherited from CList that take a token out
// (RemoveAt, RemoveHead, RemoveTail, RemoveAll) hand it back to the caller,
// who then deletes it. Null entries are allowed and skipped.
class HTMLFILE_API CHtmlTokenList : public CList<CHtmlTokenItem*, CHtmlTokenItem*> {
public:
    explicit CHtmlTokenList(int nBlockSize = 10) : CList<CHtmlTokenItem*, CHtmlTokenItem*>(nBlockSize) {}
    CHtmlTokenList(const CHtmlTokenList&) = delete;
    CHtmlTokenList& operator=(const CHtmlTokenList&) = delete;
    ~CHtmlTokenList();

    // Deletes every token and empties the list.
    void DeleteAll();

    // Replaces the tokens with those of an HTML text, as the tag scanner
    // sees its tags. FALSE (and an empty list) for a null text.
    BOOL Parse(const wchar_t* pszText);
    // The same for nLength characters, which may include NUL characters.
    BOOL Parse(const wchar_t* pchText, size_t nLength);
    // Reads the file from its current position to the end and parses the
    // text. Throws CFileException when reading fails.
    BOOL Read(CkvuuStdioFile* pFile);

    // The tokens' texts joined in list order.
    CString GetText() const;
    // Writes the tokens' texts at the file's current position. Throws
    // CFileException when writing fails.
    void Write(CkvuuStdioFile* pFile) const;
};
