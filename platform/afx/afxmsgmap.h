// Message maps: tables that bind window messages to handler member functions. Each class's map
// names its base class's map, and dispatch walks from the most derived map to the base maps.
#pragma once

#include <windows.h>

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

// The shape of a handler, so that dispatch can call it with the right arguments.
enum AfxSig : UINT {
    AfxSig_end = 0,
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
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        typedef theClass ThisClass;                                                                \
        typedef baseClass TheBaseClass;                                                            \
        static_cast<void>(sizeof(ThisClass*));                                                     \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {0, 0, 0, 0, AfxSig_end, (AFX_PMSG) nullptr}                                                   \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }
