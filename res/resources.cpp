// Resources written as C++ data. Add entries above the terminating one.
#include "res/ResourceTable.h"

const DvResource g_dataResources[] = {
    {nullptr, 0, nullptr, 0},
};
