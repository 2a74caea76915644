#include <htmlfile/platform/MapStringToString.h>

#include <stdexcept>

CMapStringToString::CMapStringToString(int /*nBlockSize*/, UINT nHashTableSize)
    : m_buckets(nHashTableSize ? nHashTableSize : 17, nullptr)
{
}

CMapStringToString::~CMapStringToString()
{
    RemoveAll();
}

UINT CMapStringToString::HashKey(const wchar_t* key) noexcept
{
    UINT hash = 0;
    for (; key && *key; ++key) {
        std::uint32_t c = static_cast<std::uint32_t>(*key);
        if (c > 0xFFFF) {
            // The hash runs over UTF-16 code units: a character above the
            // basic plane contributes its two surrogates.
            c -= 0x10000;
            hash = hash * 33 + (0xD800 + (c >> 10));
            hash = hash * 33 + (0xDC00 + (c & 0x3FF));
        } else {
            hash = hash * 33 + c;
        }
    }
    return hash;
}

CMapStringToString::CAssoc* CMapStringToString::GetAssocAt(const wchar_t* key, UINT& nBucket, UINT& nHash) const
{
    nHash = HashKey(key);
    nBucket = nHash % static_cast<UINT>(m_buckets.size());
    for (CAssoc* assoc = m_buckets[nBucket]; assoc; assoc = assoc->pNext)
        if (assoc->nHashValue == nHash && assoc->key == key) return assoc;
    return nullptr;
}

CMapStringToString::CAssoc* CMapStringToString::NewAssoc(const wchar_t* key, UINT nBucket, UINT nHash)
{
    CAssoc* assoc = new CAssoc{m_buckets[nBucket], nHash, CString(key), CString()};
    m_buckets[nBucket] = assoc;
    ++m_nCount;
    return assoc;
}

BOOL CMapStringToString::Lookup(const wchar_t* key, CString& rValue) const
{
    UINT bucket, hash;
    CAssoc* assoc = GetAssocAt(key ? key : L"", bucket, hash);
    if (!assoc) return FALSE;
    rValue = assoc->value;
    return TRUE;
}

void CMapStringToString::SetAt(const wchar_t* key, const wchar_t* newValue)
{
    (*this)[key] = newValue;
}

CString& CMapStringToString::operator[](const wchar_t* key)
{
    if (!key) key = L"";
    UINT bucket, hash;
    CAssoc* assoc = GetAssocAt(key, bucket, hash);
    if (!assoc) assoc = NewAssoc(key, bucket, hash);
    return assoc->value;
}

BOOL CMapStringToString::RemoveKey(const wchar_t* key)
{
    if (!key) key = L"";
    UINT hash = HashKey(key);
    CAssoc** link = &m_buckets[hash % static_cast<UINT>(m_buckets.size())];
    for (; *link; link = &(*link)->pNext) {
        CAssoc* assoc = *link;
        if (assoc->nHashValue == hash && assoc->key == key) {
            *link = assoc->pNext;
            delete assoc;
            --m_nCount;
            return TRUE;
        }
    }
    return FALSE;
}

void CMapStringToString::RemoveAll()
{
    for (CAssoc*& head : m_buckets) {
        while (head) {
            CAssoc* next = head->pNext;
            delete head;
            head = next;
        }
    }
    m_nCount = 0;
}

POSITION CMapStringToString::GetStartPosition() const noexcept
{
    for (CAssoc* head : m_buckets)
        if (head) return reinterpret_cast<POSITION>(head);
    return nullptr;
}

void CMapStringToString::GetNextAssoc(POSITION& rNextPosition, CString& rKey, CString& rValue) const
{
    CAssoc* assoc = reinterpret_cast<CAssoc*>(rNextPosition);
    if (!assoc) throw std::invalid_argument("CMapStringToString: null position");
    rKey = assoc->key;
    rValue = assoc->value;
    CAssoc* next = assoc->pNext;
    if (!next) {
        for (size_t b = assoc->nHashValue % m_buckets.size() + 1; b < m_buckets.size() && !next; ++b)
            next = m_buckets[b];
    }
    rNextPosition = reinterpret_cast<POSITION>(next);
}
