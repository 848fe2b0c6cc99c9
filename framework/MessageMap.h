// Message maps: tables from a message or command id to a member handler, searched derived class first.
#pragma once

#include <windows.h>

class CWnd;

struct MessageMapEntry {
    enum Kind { kEnd, kMessage, kCommand };
    UINT nMessage;  // the window message; WM_COMMAND for commands
    UINT nID;       // the command id for kCommand entries
    Kind kind;
    LRESULT (CWnd::*pfnMessage)(WPARAM, LPARAM);
    void (CWnd::*pfnCommand)();
};

struct MessageMap {
    const MessageMap* (*pfnGetBaseMap)();
    const MessageMapEntry* pEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const MessageMap* GetThisMessageMap(); \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                                   \
    {                                                                                 \
        typedef theClass ThisClass;                                                   \
        typedef baseClass TheBaseClass;                                               \
        static const MessageMapEntry s_entries[] = {

// Handler: LRESULT ThisClass::fn(WPARAM, LPARAM); its result is the window procedure's result.
#define ON_MESSAGE(message, memberFxn) \
    {(message), 0, MessageMapEntry::kMessage, static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn), nullptr},

// Handler as for ON_MESSAGE, for a number RegisterWindowMessage gave: a variable, read when the map is first
// used, after static initialisation.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) ON_MESSAGE(nMessageVariable, memberFxn)

// Handler: void ThisClass::fn(); matched for menu, button and accelerator commands with that id.
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, (id), MessageMapEntry::kCommand, nullptr, static_cast<void (CWnd::*)()>(&ThisClass::memberFxn)},

#define END_MESSAGE_MAP()                                                        \
    {0, 0, MessageMapEntry::kEnd, nullptr, nullptr}                              \
    }                                                                            \
    ;                                                                            \
    static const MessageMap s_map = {&TheBaseClass::GetThisMessageMap, s_entries}; \
    return &s_map;                                                               \
    }
