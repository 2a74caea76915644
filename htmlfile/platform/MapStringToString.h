// CMapStringToString: a string-to-string hash map whose enumeration order is
// part of the library's output (an object element writes its attributes in
// this order). Keys are hashed over their UTF-16 code units as
// hash = hash * 33 + unit (unsigned 32-bit), the bucket is hash % table size
// (17 by default); enumeration visits buckets from 0 upwards and, within a
// bucket, the most recently added key first. Keys compare case-sensitively.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

#include <vector>

class HTMLFILE_API CMapStringToString {
public:
    explicit CMapStringToString(int nBlockSize = 10, UINT nHashTableSize = 17);
    CMapStringToString(const CMapStringToString&) = delete;
    CMapStringToString& operator=(const CMapStringToString&) = delete;
    ~CMapStringToString();

    int GetCount() const noexcept { return m_nCount; }
    int GetSize() const noexcept { return m_nCount; }
    BOOL IsEmpty() const noexcept { return m_nCount == 0; }

    BOOL Lookup(const wchar_t* key, CString& rValue) const;
    void SetAt(const wchar_t* key, const wchar_t* newValue);
    CString& operator[](const wchar_t* key);
    BOOL RemoveKey(const wchar_t* key);
    void RemoveAll();

    POSITION GetStartPosition() const noexcept;
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, CString& rValue) const;

    UINT GetHashTableSize() const noexcept { return static_cast<UINT>(m_buckets.size()); }
    static UINT HashKey(const wchar_t* key) noexcept;

private:
    struct CAssoc {
        CAssoc* pNext;
        UINT nHashValue;
        CString key;
        CString value;
    };

    CAssoc* GetAssocAt(const wchar_t* key, UINT& nBucket, UINT& nHash) const;
    CAssoc* NewAssoc(const wchar_t* key, UINT nBucket, UINT nHash);

    std::vector<CAssoc*> m_buckets;
    int m_nCount = 0;
};
