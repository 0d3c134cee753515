#include "app/PadCommands.h"

#include <iterator>

namespace {

// Pad by pad, cell by cell. The moves follow the world's axes: +y is north, +x east.
const PadCommandInfo kCommands[] = {
    {0, "Sink", "Page Down", false},
    {1, "Move north", "Up", false},
    {2, "Rise", "Page Up", false},
    {3, "Move west", "Left", false},
    {4, "Fly-through", "Space", true},
    {5, "Move east", "Right", false},
    {6, "Zoom out", "-", false},
    {7, "Move south", "Down", false},
    {8, "Zoom in", "+", false},
    {100, "Solid columns", "S", true},
    {101, "Horizon lower", "Home", false},
    {102, "Smooth the land", "F", false},
    {103, "Turn left", "Q", false},
    {104, "New land", "N", false},
    {105, "Turn right", "E", false},
    {106, "Follow terrain", "T", true},
    {107, "Horizon higher", "End", false},
    {108, "Colour mode", "C", false},
    {200, "Sub-cell detail", "D", true},
};

} // namespace

const PadCommandInfo* FindPadCommand(int code) {
    for (const PadCommandInfo& command : kCommands) {
        if (command.code == code) {
            return &command;
        }
    }
    return nullptr;
}
