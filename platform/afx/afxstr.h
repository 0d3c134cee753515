// CString: the framework's string of narrow characters.
#pragma once

#include <string>

#include <windows.h>

class CString {
public:
    CString() = default;
    CString(LPCSTR lpsz) : m_str(lpsz ? lpsz : "") {}
    CString(const CString& other) = default;
    CString& operator=(const CString& other) = default;
    CString& operator=(LPCSTR lpsz) {
        m_str = lpsz ? lpsz : "";
        return *this;
    }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }
    operator LPCSTR() const { return m_str.c_str(); }

    // Loads a string from the string table; FALSE (and an empty string) when there is none.
    BOOL LoadString(UINT nID);
    // printf-style formatting; the string grows to what the format needs.
    void Format(LPCSTR lpszFormat, ...);

    // A writable buffer of at least nMinBufLength characters plus the terminator; the string
    // takes its length from the terminator at ReleaseBuffer(-1), or nNewLength.
    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString& operator+=(LPCSTR lpsz) {
        m_str += lpsz ? lpsz : "";
        return *this;
    }
    CString& operator+=(char ch) {
        m_str += ch;
        return *this;
    }
    friend CString operator+(const CString& a, LPCSTR b) {
        CString r(a);
        r += b;
        return r;
    }
    BOOL operator==(LPCSTR lpsz) const { return m_str == (lpsz ? lpsz : ""); }
    BOOL operator!=(LPCSTR lpsz) const { return !(*this == lpsz); }

private:
    std::string m_str;
};
