// CString and CRect's out-of-line operations.
#include "afx/afxwin.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

BOOL CString::LoadString(UINT nID) {
    char buffer[1024];
    const int length = ::LoadString(AfxGetResourceHandle(), nID, buffer, sizeof buffer);
    m_str.assign(buffer, static_cast<size_t>(length));
    return length > 0;
}

void CString::Format(LPCSTR lpszFormat, ...) {
    if (lpszFormat == nullptr) {
        m_str.clear();
        return;
    }
    va_list args;
    va_start(args, lpszFormat);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, lpszFormat, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        m_str.clear();
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), lpszFormat, again);
    va_end(again);
    text.resize(static_cast<size_t>(length));
    m_str = std::move(text);
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    const size_t room = static_cast<size_t>(std::max(nMinBufLength, 0));
    if (m_str.size() < room) {
        m_str.resize(room, '\0');
    }
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        m_str.resize(std::strlen(m_str.c_str()));
    } else {
        m_str.resize(std::min(static_cast<size_t>(nNewLength), m_str.size()));
    }
}

void CRect::NormalizeRect() {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
}

BOOL CRect::IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) {
    return ::IntersectRect(this, lpRect1, lpRect2);
}

BOOL CRect::UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) {
    return ::UnionRect(this, lpRect1, lpRect2);
}
