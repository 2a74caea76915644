// A document held as a list of tokens: every tag and every run of text or
// other markup is one token, so joining the tokens' texts gives the text
// back. Frame layouts can insert themselves into such a list.
#pragma once

#include <htmlfile/platform/List.h>
#include <htmlfile/platform/String.h>

// Token kinds.
enum : int {
    HTML_TOKEN_TEXT = 1,
    HTML_TOKEN_TAG = 2,
};

// Added to an element's tag code for its end tag.
constexpr int HTML_ENDTAG_BIT = 0x10000000;

class CHtmlTokenItem {
public:
    CHtmlTokenItem(int nKind, const wchar_t* pszText, int nTagCode = 0);
    virtual ~CHtmlTokenItem() = default;

    int m_nKind;
    int m_nTagCode;
    CString m_strText;
};

class CHtmlTagItem : public CHtmlTokenItem {
public:
    explicit CHtmlTagItem(const wchar_t* pszText);
};

class CHtmlTextItem : public CHtmlTokenItem {
public:
    explicit CHtmlTextItem(const wchar_t* pszText);
};

// Owns its tokens.
class CHtmlTokenList : public CList<CHtmlTokenItem*, CHtmlTokenItem*> {
public:
    explicit CHtmlTokenList(int nBlockSize = 10) : CList<CHtmlTokenItem*, CHtmlTokenItem*>(nBlockSize) {}
    ~CHtmlTokenList();
    void DeleteAll();
};
