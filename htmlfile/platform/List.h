// CList: a doubly linked list addressed by opaque POSITION handles, with the
// interface of the list class the document API was designed around. Nodes
// are carved from blocks of nBlockSize and recycled through a free list, so
// inserting costs no allocation once a block is there.
#pragma once

#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

#include <algorithm>
#include <cassert>
#include <new>
#include <stdexcept>
#include <utility>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList {
public:
    explicit CList(int nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { RemoveAll(); }

    int GetCount() const noexcept { return m_nCount; }
    int GetSize() const noexcept { return m_nCount; }
    BOOL IsEmpty() const noexcept { return m_nCount == 0; }

    TYPE& GetHead() { return Checked(m_pHead)->data; }
    const TYPE& GetHead() const { return Checked(m_pHead)->data; }
    TYPE& GetTail() { return Checked(m_pTail)->data; }
    const TYPE& GetTail() const { return Checked(m_pTail)->data; }

    POSITION GetHeadPosition() const noexcept { return ToPos(m_pHead); }
    POSITION GetTailPosition() const noexcept { return ToPos(m_pTail); }

    TYPE& GetNext(POSITION& pos)
    {
        CNode* node = Checked(FromPos(pos));
        pos = ToPos(node->pNext);
        return node->data;
    }
    const TYPE& GetNext(POSITION& pos) const
    {
        CNode* node = Checked(FromPos(pos));
        pos = ToPos(node->pNext);
        return node->data;
    }
    TYPE& GetPrev(POSITION& pos)
    {
        CNode* node = Checked(FromPos(pos));
        pos = ToPos(node->pPrev);
        return node->data;
    }
    const TYPE& GetPrev(POSITION& pos) const
    {
        CNode* node = Checked(FromPos(pos));
        pos = ToPos(node->pPrev);
        return node->data;
    }
    TYPE& GetAt(POSITION pos) { return Checked(FromPos(pos))->data; }
    const TYPE& GetAt(POSITION pos) const { return Checked(FromPos(pos))->data; }
    void SetAt(POSITION pos, ARG_TYPE value) { Checked(FromPos(pos))->data = value; }

    POSITION AddHead(ARG_TYPE value)
    {
        CNode* node = NewNode(nullptr, m_pHead, value);
        if (m_pHead) m_pHead->pPrev = node;
        else m_pTail = node;
        m_pHead = node;
        return ToPos(node);
    }
    POSITION AddTail(ARG_TYPE value)
    {
        CNode* node = NewNode(m_pTail, nullptr, value);
        if (m_pTail) m_pTail->pNext = node;
        else m_pHead = node;
        m_pTail = node;
        return ToPos(node);
    }
    POSITION InsertBefore(POSITION pos, ARG_TYPE value)
    {
        if (!pos) return AddHead(value);
        CNode* old = FromPos(pos);
        CNode* node = NewNode(old->pPrev, old, value);
        if (old->pPrev) old->pPrev->pNext = node;
        else m_pHead = node;
        old->pPrev = node;
        return ToPos(node);
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE value)
    {
        if (!pos) return AddTail(value);
        CNode* old = FromPos(pos);
        CNode* node = NewNode(old, old->pNext, value);
        if (old->pNext) old->pNext->pPrev = node;
        else m_pTail = node;
        old->pNext = node;
        return ToPos(node);
    }

    TYPE RemoveHead()
    {
        CNode* node = Checked(m_pHead);
        TYPE value = std::move(node->data);
        RemoveAt(ToPos(node));
        return value;
    }
    TYPE RemoveTail()
    {
        CNode* node = Checked(m_pTail);
        TYPE value = std::move(node->data);
        RemoveAt(ToPos(node));
        return value;
    }
    void RemoveAt(POSITION pos)
    {
        CNode* node = Checked(FromPos(pos));
        if (node->pPrev) node->pPrev->pNext = node->pNext;
        else m_pHead = node->pNext;
        if (node->pNext) node->pNext->pPrev = node->pPrev;
        else m_pTail = node->pPrev;
        FreeNode(node);
    }
    void RemoveAll()
    {
        for (CNode* node = m_pHead; node;) {
            CNode* next = node->pNext;
            node->data.~TYPE();
            node = next;
        }
        m_pHead = m_pTail = m_pFree = nullptr;
        m_nCount = 0;
        m_nNextBlockSize = FirstBlockSize();
        while (m_pBlocks) {
            Block* next = m_pBlocks->pNext;
            ::operator delete(m_pBlocks);
            m_pBlocks = next;
        }
    }

    // Position of the first element equal to value after startAfter (from the
    // head when startAfter is null); null when none.
    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        CNode* node = startAfter ? FromPos(startAfter)->pNext : m_pHead;
        for (; node; node = node->pNext)
            if (node->data == value) return ToPos(node);
        return nullptr;
    }
    // Position of the element at a 0-based index; null when out of range.
    POSITION FindIndex(int nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
        CNode* node = m_pHead;
        while (nIndex-- > 0) node = node->pNext;
        return ToPos(node);
    }

private:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };
    struct Block {
        Block* pNext;
    };

    static POSITION ToPos(CNode* node) noexcept { return reinterpret_cast<POSITION>(node); }
    static CNode* FromPos(POSITION pos) noexcept { return reinterpret_cast<CNode*>(pos); }
    static CNode* Checked(CNode* node)
    {
        if (!node) throw std::invalid_argument("CList: null position");
        return node;
    }

    CNode* NewNode(CNode* prev, CNode* next, ARG_TYPE value)
    {
        if (!m_pFree) AddBlock();
        CNode* node = m_pFree;
        CNode* nextFree = node->pNext;
        ::new (static_cast<void*>(&node->data)) TYPE(value);
        m_pFree = nextFree;
        node->pPrev = prev;
        node->pNext = next;
        ++m_nCount;
        return node;
    }
    void FreeNode(CNode* node) noexcept
    {
        node->data.~TYPE();
        node->pNext = m_pFree;
        m_pFree = node;
        --m_nCount;
    }
    void AddBlock()
    {
        // Most lists stay short (a map's areas, an object's parameters), and
        // a parse makes many of them: the first block holds two nodes, each
        // next one twice as many, up to m_nBlockSize.
        const int nNodes = m_nNextBlockSize;
        if (m_nNextBlockSize < m_nBlockSize) m_nNextBlockSize = (std::min)(m_nNextBlockSize * 2, m_nBlockSize);
        // One allocation holds the block header followed by the nodes.
        constexpr size_t header = (sizeof(Block) + alignof(CNode) - 1) / alignof(CNode) * alignof(CNode);
        void* raw = ::operator new(header + sizeof(CNode) * static_cast<size_t>(nNodes));
        Block* block = static_cast<Block*>(raw);
        block->pNext = m_pBlocks;
        m_pBlocks = block;
        CNode* nodes = reinterpret_cast<CNode*>(static_cast<char*>(raw) + header);
        for (int i = nNodes - 1; i >= 0; --i) {
            nodes[i].pNext = m_pFree;
            m_pFree = &nodes[i];
        }
    }

    CNode* m_pHead = nullptr;
    CNode* m_pTail = nullptr;
    CNode* m_pFree = nullptr;
    Block* m_pBlocks = nullptr;
    int m_nCount = 0;
    int m_nBlockSize;
    int m_nNextBlockSize = FirstBlockSize();

    int FirstBlockSize() const noexcept { return m_nBlockSize < 2 ? m_nBlockSize : 2; }
};

// A list of string values.
class CStringList : public CList<CString, const wchar_t*> {
public:
    explicit CStringList(int nBlockSize = 10) : CList<CString, const wchar_t*>(nBlockSize) {}
};
