// The string table.
#include "res/DataResources.h"

const char g_szAboutBox[] = "&About Dorvane...";
const char g_szSocketsInitFailed[] = "Windows sockets initialization failed.";
const unsigned int g_cchAboutBox = sizeof g_szAboutBox - 1;
const unsigned int g_cchSocketsInitFailed = sizeof g_szSocketsInitFailed - 1;
