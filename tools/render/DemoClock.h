// The clock of the compositing picture's dissolve. On our platform layer it reads one
// millisecond later at every reading while a CDemoClockScope lives, so the picture is the same
// on every run and a budget of n milliseconds is n batches of tiles. The real system's clock
// cannot be replaced: on Windows the dissolve runs on it, and its panel varies from run to run.
#pragma once

#include <memory>

class CDemoClockScope {
public:
    CDemoClockScope();
    ~CDemoClockScope();
    CDemoClockScope(const CDemoClockScope&) = delete;
    CDemoClockScope& operator=(const CDemoClockScope&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
