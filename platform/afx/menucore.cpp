#include "afx/afxwin.h"

#include <map>
#include <memory>

namespace {
std::map<HMENU, CMenu*>& PermanentMenus() {
    static std::map<HMENU, CMenu*> menus;
    return menus;
}
std::map<HMENU, std::unique_ptr<CMenu>>& TemporaryMenus() {
    static std::map<HMENU, std::unique_ptr<CMenu>> menus;
    return menus;
}
} // namespace

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu() {
    DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (hMenu == nullptr) {
        return nullptr;
    }
    auto& permanent = PermanentMenus();
    if (auto it = permanent.find(hMenu); it != permanent.end()) {
        return it->second;
    }
    std::unique_ptr<CMenu>& temporary = TemporaryMenus()[hMenu];
    if (!temporary) {
        // A wrapper only: it never destroys the menu, which its owner (a window) keeps.
        temporary = std::unique_ptr<CMenu>(new CMenu);
        temporary->m_hMenu = hMenu;
        temporary->m_bTemporary = TRUE;
    }
    return temporary.get();
}

BOOL CMenu::Attach(HMENU hMenu) {
    if (m_hMenu != nullptr || hMenu == nullptr) {
        return FALSE;
    }
    m_hMenu = hMenu;
    PermanentMenus()[hMenu] = this;
    return TRUE;
}

HMENU CMenu::Detach() {
    const HMENU hMenu = m_hMenu;
    if (hMenu != nullptr) {
        auto& permanent = PermanentMenus();
        if (auto it = permanent.find(hMenu); it != permanent.end() && it->second == this) {
            permanent.erase(it);
        }
    }
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::CreatePopupMenu() {
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::DestroyMenu() {
    if (m_hMenu == nullptr) {
        return FALSE;
    }
    if (m_bTemporary) {
        m_hMenu = nullptr; // a wrapper does not own its menu
        return FALSE;
    }
    return ::DestroyMenu(Detach());
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

UINT CMenu::GetMenuItemCount() const {
    return static_cast<UINT>(::GetMenuItemCount(m_hMenu));
}

UINT CMenu::GetMenuItemID(int nPos) const {
    return ::GetMenuItemID(m_hMenu, nPos);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    const int length = ::GetMenuString(m_hMenu, nIDItem, nullptr, 0, nFlags);
    LPSTR buffer = rString.GetBuffer(length);
    const int copied = ::GetMenuString(m_hMenu, nIDItem, buffer, length + 1, nFlags);
    rString.ReleaseBuffer(copied);
    return copied;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd != nullptr ? pWnd->m_hWnd : nullptr,
                            lpRect);
}
