#pragma once

// zvtool's whole run on a command line: parses it, prints help or the version, or runs the
// command's row; returns the exit status. main() is this; the tests run commands through it.
int RunZvtool(int argc, const char* const* argv);
