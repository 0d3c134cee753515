// Message maps: tables that bind window messages to handler member functions. Each class's map
// names its base class's map, and dispatch walks from the most derived map to the base maps.
#pragma once

#include <windows.h>

class CCmdTarget;
class CWnd;
class CDC;
class CPoint;
typedef void (CCmdTarget::*AFX_PMSG)();

#define afx_msg

// The shape of a handler, so that dispatch can call it with the right arguments.
enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_vv,   // void ()                      WM_PAINT, WM_DESTROY, WM_CLOSE, commands
    AfxSig_is,   // int (LPCREATESTRUCT)         WM_CREATE
    AfxSig_vwii, // void (UINT, int, int)        WM_SIZE
    AfxSig_bD,   // BOOL (CDC*)                  WM_ERASEBKGND
    AfxSig_vwl,  // void (UINT, LPARAM)          WM_SYSCOMMAND
    AfxSig_hv,   // HCURSOR ()                   WM_QUERYDRAGICON
    AfxSig_vwp,  // void (UINT, CPoint)          mouse buttons and moves
    AfxSig_vw,   // void (UINT)                  WM_TIMER
    AfxSig_vwww, // void (UINT, UINT, UINT)      WM_KEYDOWN, WM_KEYUP, WM_CHAR
    AfxSig_vbw,  // void (BOOL, UINT)            WM_SHOWWINDOW
    AfxSig_lwl,  // LRESULT (WPARAM, LPARAM)     ON_MESSAGE
    AfxSig_bwsp, // BOOL (UINT, short, CPoint)   WM_MOUSEWHEEL
    AfxSig_cmdr, // void (UINT)                  ON_COMMAND_RANGE, given the command
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // window message
    UINT nCode;    // control notification code, or WM_NOTIFY code
    UINT nID;      // control id, or 0 for window messages
    UINT nLastID;  // last id of a range, or nID
    UINT_PTR nSig; // AfxSig of the handler
    AFX_PMSG pfn;  // the handler, to be called through nSig's signature
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
public:                                                                                            \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        typedef theClass ThisClass;                                                                \
        typedef baseClass TheBaseClass;                                                            \
        static_cast<void>(sizeof(ThisClass*));                                                     \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG) nullptr }                                                 \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }

// A handler is checked against its signature as a CWnd member, then stored in the entry's
// common pointer type; dispatch converts it back to exactly that signature before calling.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <class TMemberFn> inline AFX_PMSG AfxStoreHandler(TMemberFn pfn) {
    return reinterpret_cast<AFX_PMSG>(pfn);
}
template <class TMemberFn> inline TMemberFn AfxLoadHandler(AFX_PMSG pfn) {
    return reinterpret_cast<TMemberFn>(pfn);
}
#pragma GCC diagnostic pop

#define AFX_MSG_ENTRY(msg, sig, type, fn)                                                          \
    {msg, 0, 0, 0, sig, AfxStoreHandler(static_cast<type>(&ThisClass::fn))},

#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, AfxSig_is, int (CWnd::*)(LPCREATESTRUCT), OnCreate)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, AfxSig_vv, void (CWnd::*)(), OnDestroy)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, AfxSig_vv, void (CWnd::*)(), OnClose)
#define ON_WM_SIZE() AFX_MSG_ENTRY(WM_SIZE, AfxSig_vwii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, AfxSig_vv, void (CWnd::*)(), OnPaint)
#define ON_WM_ERASEBKGND()                                                                         \
    AFX_MSG_ENTRY(WM_ERASEBKGND, AfxSig_bD, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_SYSCOMMAND()                                                                         \
    AFX_MSG_ENTRY(WM_SYSCOMMAND, AfxSig_vwl, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_QUERYDRAGICON()                                                                      \
    AFX_MSG_ENTRY(WM_QUERYDRAGICON, AfxSig_hv, HCURSOR (CWnd::*)(), OnQueryDragIcon)
#define ON_WM_LBUTTONDOWN()                                                                        \
    AFX_MSG_ENTRY(WM_LBUTTONDOWN, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP()                                                                          \
    AFX_MSG_ENTRY(WM_LBUTTONUP, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_RBUTTONDOWN()                                                                        \
    AFX_MSG_ENTRY(WM_RBUTTONDOWN, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), OnRButtonDown)
#define ON_WM_RBUTTONUP()                                                                          \
    AFX_MSG_ENTRY(WM_RBUTTONUP, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), OnRButtonUp)
#define ON_WM_MOUSEMOVE()                                                                          \
    AFX_MSG_ENTRY(WM_MOUSEMOVE, AfxSig_vwp, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_MOUSEWHEEL()                                                                         \
    AFX_MSG_ENTRY(WM_MOUSEWHEEL, AfxSig_bwsp, BOOL (CWnd::*)(UINT, short, CPoint), OnMouseWheel)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, AfxSig_vw, void (CWnd::*)(UINT), OnTimer)
#define ON_WM_KEYDOWN()                                                                            \
    AFX_MSG_ENTRY(WM_KEYDOWN, AfxSig_vwww, void (CWnd::*)(UINT, UINT, UINT), OnKeyDown)
#define ON_WM_KEYUP()                                                                              \
    AFX_MSG_ENTRY(WM_KEYUP, AfxSig_vwww, void (CWnd::*)(UINT, UINT, UINT), OnKeyUp)
#define ON_WM_SHOWWINDOW()                                                                         \
    AFX_MSG_ENTRY(WM_SHOWWINDOW, AfxSig_vbw, void (CWnd::*)(BOOL, UINT), OnShowWindow)

// ON_MESSAGE(message, memberFxn): LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                             \
    {message,                                                                                      \
     0,                                                                                            \
     0,                                                                                            \
     0,                                                                                            \
     AfxSig_lwl,                                                                                   \
     AfxStoreHandler(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn))},

// Commands: WM_COMMAND from a menu, an accelerator or a control's notification.
#define ON_COMMAND(id, memberFxn)                                                                  \
    {                                                                                              \
        WM_COMMAND,                                                                                \
        0,                                                                                         \
        (WORD)(id),                                                                                \
        (WORD)(id),                                                                                \
        AfxSig_vv,                                                                                 \
        static_cast<AFX_PMSG>(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn))},
// ON_COMMAND_RANGE(id, idLast, memberFxn): void memberFxn(UINT nID) for the commands id to idLast.
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                    \
    {                                                                                              \
        WM_COMMAND,                                                                                \
        0,                                                                                         \
        (WORD)(id),                                                                                \
        (WORD)(idLast),                                                                            \
        AfxSig_cmdr,                                                                               \
        AfxStoreHandler(static_cast<void (CCmdTarget::*)(UINT)>(&ThisClass::memberFxn))},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                     \
    {                                                                                              \
        WM_COMMAND,                                                                                \
        (WORD)(wNotifyCode),                                                                       \
        (WORD)(id),                                                                                \
        (WORD)(id),                                                                                \
        AfxSig_vv,                                                                                 \
        static_cast<AFX_PMSG>(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn))},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
