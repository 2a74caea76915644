// The tag scanner: turns a stream of UTF-8 bytes into start-tag and end-tag
// events for a registered callback. It is an explicit state machine named
// after the states of the HTML tokenizer, fed one byte at a time (or a block
// at a time through Feed, which is the same thing, faster).
//
// Positions: TagBegin() and TagEnd() are 1-based and count decoded
// characters (wchar_t units) of the stream fed so far, not bytes: each UTF-8
// sequence counts as one unit (two for a character above U+FFFF where
// wchar_t is 16 bits). They therefore agree with the counts of the text file
// class, for every file.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/Types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

enum _HTML_cbreason {
    HTMLCB_STARTTAG = 1,
    HTMLCB_ENDTAG = 2,
};

// Codes a callback returns.
enum : unsigned int {
    HTMLCB_NONE = 0,           // nothing to do
    HTMLCB_COLLECTTEXT = 1,    // start gathering the character data that follows
    HTMLCB_STOPTEXT = 2,       // stop gathering text
    HTMLCB_KEEPATTRIBUTES = 16 // the callee keeps the attribute chain and frees it
};

// One attribute of a tag, in a singly linked chain in source order. Strings
// are malloc'ed copies, freed with free(); nodes are freed with delete, and
// deleting a node deletes the rest of its chain. A null m_pszValue means the
// attribute was written without a value; `name=""` gives an empty, non-null
// value. Values are the raw source text between the quotes (character
// references are not decoded).
struct HTMLFILE_API TagAttribute {
    TagAttribute* m_pNext = nullptr;
    wchar_t* m_pszName = nullptr;
    wchar_t* m_pszValue = nullptr;

    TagAttribute() = default;
    // Copies the name if non-empty, and then the value if non-empty.
    TagAttribute(const wchar_t* pszName, const wchar_t* pszValue);
    TagAttribute(const TagAttribute&) = delete;
    TagAttribute& operator=(const TagAttribute&) = delete;
    ~TagAttribute();

    // Value of the first attribute of this chain whose name equals pszName
    // ignoring case; that attribute's name when it has no value; null when
    // none matches or pszName is null or empty. Nameless nodes are skipped.
    const wchar_t* FindAttribute(const wchar_t* pszName) const;
};

class HTML;

class HTMLFILE_API HTMLCallback {
public:
    HTMLCallback() = default;
    virtual ~HTMLCallback() = default;

    // Called synchronously from inside HTML::operator<< at the '>' that ends
    // a start or end tag. pszTag is the name as written (without the slash of
    // an end tag); pAttributes is the attribute chain of a start tag, or
    // null. Unless the result is HTMLCB_KEEPATTRIBUTES, the callee keeps no
    // pointer into the chain or the strings after returning.
    virtual unsigned int callback(HTML& html, _HTML_cbreason reason, const wchar_t* pszTag,
                                  TagAttribute* const pAttributes) = 0;
};

class HTMLFILE_API HTML {
public:
    HTML();
    HTML(const HTML&) = delete;
    HTML& operator=(const HTML&) = delete;
    ~HTML();

    // Resets the scanner to the start of a new stream and releases whatever
    // it holds (the callback registration is kept).
    void init();
    void regcallback(HTMLCallback* pCallback);

    // Feeds one byte; returns it.
    char operator<<(char ch);
    // Feeds a block of bytes; the same events as feeding them one by one.
    void Feed(const char* pData, size_t nLength);

    // Valid during a callback: 1-based positions of the tag's '<' and '>'.
    int TagBegin() const noexcept;
    int TagEnd() const noexcept;

    // Valid during an end-tag callback after a start tag was answered with
    // HTMLCB_COLLECTTEXT: whether text was gathered, and that text (character
    // references decoded), NUL-terminated.
    BOOL HasCollectedText() const noexcept;
    const wchar_t* CollectedText() const noexcept;

    // Number of units fed so far.
    long long Position() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
