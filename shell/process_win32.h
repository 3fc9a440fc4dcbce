// What the process does around the window system's work: the set-up every start
// needs before its first window, and the end sequence it runs last.
#pragma once

// Restricts the library search, registers the end sequence as the fatal-error
// clean-up, initialises OLE and makes the program's directory the current one.
void prepare_process();

// Lets the skin engine undo its work, releases the libraries loaded for outside
// calls, then OLE. Runs at the normal end and, through the fatal-error path
// (windows still alive), before exit code -1.
void end_sequence();
