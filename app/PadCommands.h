// What each pad command is called and which key runs it, for the tooltips on the pads.
#pragma once

struct PadCommandInfo {
    int code;
    const char* name;
    const char* key; // the key's name as the user reads it
    bool toggle;     // a switch, whose tooltip says whether it is on
};

// The command of a code, or null for a cell without one (the empty cells of pad 3).
const PadCommandInfo* FindPadCommand(int code);
