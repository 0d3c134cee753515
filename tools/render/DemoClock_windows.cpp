#include "tools/render/DemoClock.h"

struct CDemoClockScope::State {};

CDemoClockScope::CDemoClockScope() = default;
CDemoClockScope::~CDemoClockScope() = default;
