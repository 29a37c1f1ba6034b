// Starts a command line as a child without a console window and waits for it to end.
#pragma once

#include <windows.h>

// Room for the command line and its terminator; the buffer is shared by every call.
const DWORD kCommandLineBufferChars = 1024;

// The child's exit code, or the system error code of the step that failed. A command line
// that does not fit the buffer is not started at all: ERROR_INSUFFICIENT_BUFFER.
DWORD RunHiddenCommand(const char* commandLine);
