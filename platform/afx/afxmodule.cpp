#include "afx/afxmodule.h"

HINSTANCE AfxGetResourceHandle() {
    return GetModuleHandle(nullptr);
}

HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType) {
    // The program's own module is the answer even for a resource it lacks, as on the platform:
    // the caller's FindResource then reports the missing resource.
    static_cast<void>(lpszName);
    static_cast<void>(lpszType);
    return AfxGetResourceHandle();
}
