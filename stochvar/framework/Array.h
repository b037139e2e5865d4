#pragma once

// CArray: the framework's growable array, over std::vector, with the members the library uses.
// Indices are ints as in the framework; out-of-range indices are the caller's fault.

#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

#include <cstddef>
#include <vector>

namespace stochvar {

class CObject;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    using value_type = TYPE;
    using iterator = typename std::vector<TYPE>::iterator;
    using const_iterator = typename std::vector<TYPE>::const_iterator;

    int GetSize() const { return static_cast<int>(m_data.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_data.empty(); }

    // New elements are value-initialised (0 for numbers, null for pointers, "" for strings).
    void SetSize(int nNewSize) { m_data.resize(Index(nNewSize)); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(int nIndex) const { return m_data[Index(nIndex)]; }
    TYPE& ElementAt(int nIndex) { return m_data[Index(nIndex)]; }
    void SetAt(int nIndex, ARG_TYPE newElement) { m_data[Index(nIndex)] = newElement; }
    const TYPE& operator[](int nIndex) const { return m_data[Index(nIndex)]; }
    TYPE& operator[](int nIndex) { return m_data[Index(nIndex)]; }

    TYPE* GetData() { return m_data.data(); }
    const TYPE* GetData() const { return m_data.data(); }

    // Grows the array to nIndex + 1 elements when needed, then stores the element.
    void SetAtGrow(int nIndex, ARG_TYPE newElement) {
        if (nIndex >= GetSize()) {
            m_data.resize(Index(nIndex) + 1);
        }
        m_data[Index(nIndex)] = newElement;
    }

    int Add(ARG_TYPE newElement) {
        m_data.push_back(newElement);
        return GetUpperBound();
    }

    int Append(const CArray& src) {
        const int nOldSize = GetSize();
        m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
        return nOldSize;
    }

    // Inserts nCount copies at nIndex; an index at or beyond the end first grows the array to
    // nIndex elements (value-initialised), as the framework does.
    void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1) {
        if (nIndex >= GetSize()) {
            m_data.resize(Index(nIndex));
        }
        m_data.insert(m_data.begin() + nIndex, Index(nCount), newElement);
    }

    void RemoveAt(int nIndex, int nCount = 1) {
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }

    void Copy(const CArray& src) {
        if (this != &src) {
            m_data = src.m_data;
        }
    }

    iterator begin() { return m_data.begin(); }
    iterator end() { return m_data.end(); }
    const_iterator begin() const { return m_data.begin(); }
    const_iterator end() const { return m_data.end(); }

    friend bool operator==(const CArray& a, const CArray& b) { return a.m_data == b.m_data; }

private:
    static std::size_t Index(int n) { return static_cast<std::size_t>(n); }

    std::vector<TYPE> m_data;
};

using CStringArray = CArray<CString, const CString&>;
using CUIntArray = CArray<UINT, UINT>;
using CDoubleArray = CArray<double, double>;
using CObArray = CArray<CObject*, CObject*>;

} // namespace stochvar
