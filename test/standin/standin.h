// Control side of the native Windows stand-in: build a machine, script what its calls do,
// and read back what the program asked of it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Documented values that the tests need and the program does not.
#define TRUE 1
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_QWORD 11u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_MORE_DATA 234u
#define ERROR_NO_MORE_ITEMS 259u
#define WAIT_FAILED 0xFFFFFFFFu

namespace standin {

enum class Api {
    RegOpenKeyExA,
    RegEnumKeyExA,
    RegQueryValueExA,
    RegCloseKey,
    CreateProcessA,
    WaitForSingleObject,
    GetExitCodeProcess,
    CloseHandle,
    GetWindowsDirectoryA,
    DeleteFileA,
    Count
};

// Back to an empty machine: no keys, Windows directory C:\Windows, every child exiting 0,
// no failures armed, nothing recorded.
void Reset();

// The registry below HKEY_LOCAL_MACHINE. Names compare without case; subkeys enumerate in the
// order they were created. Missing parents are created on the way.
void CreateKey(const std::string& path);
void SetValue(const std::string& keyPath, const std::string& name, DWORD type, const std::vector<BYTE>& data);

std::vector<BYTE> Text(const std::string& text);        // the characters only
std::vector<BYTE> TextZ(const std::string& text);       // with a terminating zero
std::vector<BYTE> Dword(DWORD value);                   // little-endian, 4 bytes
std::vector<BYTE> Qword(std::uint64_t value);           // little-endian, 8 bytes

// The nth call (counted from 1 since Reset) of `api` fails with `error`: as its return value
// for the registry, through GetLastError for the rest.
void FailCall(Api api, int nth, DWORD error);

// Exit codes for the children started from now on, in start order; later children exit 0.
void ScriptExitCodes(const std::vector<DWORD>& codes);

void SetWindowsDirectory(const std::string& path);

// The nth operator new made by the program (not by the stand-in) from now on throws
// std::bad_alloc; 0 disarms. ProgramAllocations counts them since Reset.
void FailAllocation(int nth);
int ProgramAllocations();

struct KeyOpen {
    HKEY root;
    std::string path;
    DWORD options;
    REGSAM access;
};

struct ProcessStart {
    bool applicationNameGiven;
    std::string commandLine; // the text of the buffer at the call
    const char* buffer;
    bool securityAttributesGiven;
    BOOL inheritHandles;
    DWORD creationFlags;
    bool environmentGiven;
    bool currentDirectoryGiven;
    STARTUPINFOA startup; // as received
};

// Off: calls are no longer journaled or their key opens kept (for long timing loops).
void SetRecording(bool on);

const std::vector<KeyOpen>& KeyOpens();
const std::vector<ProcessStart>& ProcessStarts();
const std::vector<std::string>& DeletedFiles();

// Every call in order, e.g. "RegOpenKeyExA SOFTWARE\Microsoft\Office", "CreateProcessA regsvr32 /s
// .\pelk.dll", "WaitForSingleObject process1 4294967295", "CloseHandle thread1".
const std::vector<std::string>& Journal();

// Handles (keys, processes, threads) open right now, and closes of handles that were not open.
int OpenHandles();
int BadCloses();

} // namespace standin
