// Resources written as C++ data. Add entries above the terminating one.
#include "res/ResourceTable.h"
#include "res/DataResources.h"

const DvResource g_dataResources[] = {
    DV_DATA_RESOURCE_ENTRIES
    {nullptr, 0, nullptr, 0},
};
