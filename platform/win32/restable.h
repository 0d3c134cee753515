// The resource lookup's tables, for the platform layer and its tests.
#pragma once

#include "res/ResourceTable.h"

// One more table, searched after the module's own; null removes it. Tests install crafted
// resources this way.
void DvSetExtraResources(const DvResource* table);
