// The program's entry: options, the records, the start dialog, the window, the start-up
// and the main loop (or frame export and benchmarks).
#pragma once

// Returns the exit status where the program ends by returning; the normal ends (Esc, F1,
// closing the window, "Exit", the end of the demo) end the process with status 0 inside.
int runQuorlith(int argc, char** argv);

// The folder the executable lies in, with a trailing '/' (empty if unknown).
const char* programFolder();
