//# allFunctionsCalledOnLoad
// (Above: Chromium's hint that nearly every function of this script runs while the page loads,
// so that it compiles them all while it reads the script, off the page's thread, rather than
// each at its first call. Linked with --extern-pre-js, so that it opens the program's script.)
