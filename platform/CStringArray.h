#pragma once
// An ordered array of CString values, standing in for the class library's CStringArray.

#include <vector>

#include "platform/CString.h"

class CStringArray {
public:
  int GetSize() const { return static_cast<int>(m_items.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return m_items.empty(); }
  const CString &GetAt(int index) const { return m_items.at(static_cast<size_t>(index)); }
  const CString &operator[](int index) const { return GetAt(index); }
  int Add(const CString &item) {
    m_items.push_back(item);
    return GetSize() - 1;
  }
  int Append(const CStringArray &other) {
    const int first = GetSize();
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    return first;
  }
  void RemoveAll() { m_items.clear(); }

private:
  std::vector<CString> m_items;
};
