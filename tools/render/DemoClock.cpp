#include "tools/render/DemoClock.h"

#include "host/headless/HeadlessHost.h"

namespace {

class CDemoClock : public CHeadlessHost {
public:
    DWORD TickCount() override { return ++m_dwNow; }

private:
    DWORD m_dwNow = 1000;
};

} // namespace

struct CDemoClockScope::State {
    std::unique_ptr<CHost> previous;
};

CDemoClockScope::CDemoClockScope()
    : m_state(new State{DvInstallHost(std::make_unique<CDemoClock>())}) {}

CDemoClockScope::~CDemoClockScope() {
    DvInstallHost(std::move(m_state->previous));
}
