#include "hidden_command.h"

#include <cstring>

namespace {

// CreateProcessA may write into the command line, so it gets this buffer, never the caller's text.
char CommandLineBuffer[kCommandLineBufferChars];

} // namespace

DWORD RunHiddenCommand(const char* commandLine)
{
    // Running a cut-off command could register the wrong file; refuse instead.
    const size_t length = std::strlen(commandLine);
    if (length >= kCommandLineBufferChars)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(CommandLineBuffer, commandLine, length + 1);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};

    // No application name: the system searches for the first token, as a shell would.
    if (CreateProcessA(nullptr, CommandLineBuffer, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process) == FALSE)
        return GetLastError();

    // Error codes are read where the step fails: closing the handles may overwrite them.
    DWORD result = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        GetExitCodeProcess(process.hProcess, &result) == FALSE)
        result = GetLastError();

    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}
