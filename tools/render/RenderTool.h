// The whole of dorvane-render behind its command line, callable in-process: the executable
// and the fuzzer both run it.
#pragma once

#include <cstdio>

// Runs the tool with argv[0..argc-1]; what it prints goes to out, its one line about a fault to
// err. Returns the exit status: 0 done, 1 a failure (nothing written), 2 a bad command line.
int DvRunRenderTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
