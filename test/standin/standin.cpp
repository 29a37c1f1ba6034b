#include "standin.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <new>

namespace {

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::string name;
    std::string path;
    std::vector<std::unique_ptr<Key>> subkeys;
    std::vector<Value> values;
};

enum class Kind { Key, Process, Thread };

struct Handle {
    Kind kind;
    Key* key;       // for keys
    int process;    // 1-based start number, for processes and threads
    DWORD exitCode; // for processes
};

struct Machine {
    Key hklm;
    std::map<std::uintptr_t, Handle> handles;
    std::uintptr_t nextHandle = 0x1000;
    int badCloses = 0;
    DWORD lastError = 0;
    int calls[static_cast<int>(standin::Api::Count)] = {};
    std::multimap<std::pair<int, int>, DWORD> failures; // (api, nth) -> error
    std::deque<DWORD> exitCodes;
    std::string windowsDirectory = "C:\\Windows";
    std::vector<standin::KeyOpen> keyOpens;
    std::vector<standin::ProcessStart> starts;
    std::vector<std::string> deleted;
    std::vector<std::string> journal;
    bool recording = true;
};

Machine* machine = new Machine;

// Allocation failure is aimed at the program: the stand-in's own bookkeeping is exempt.
int apiDepth = 0;
int programAllocations = 0;
int failAllocationAt = 0;

struct ApiScope {
    ApiScope() { ++apiDepth; }
    ~ApiScope() { --apiDepth; }
    ApiScope(const ApiScope&) = delete;
    ApiScope& operator=(const ApiScope&) = delete;
};

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

Key* FindSubkey(Key* key, const std::string& name)
{
    for (auto& sub : key->subkeys)
        if (SameName(sub->name, name))
            return sub.get();
    return nullptr;
}

Key* Walk(Key* key, const std::string& path, bool create)
{
    for (const std::string& part : SplitPath(path)) {
        Key* next = FindSubkey(key, part);
        if (next == nullptr) {
            if (!create)
                return nullptr;
            auto made = std::make_unique<Key>();
            made->name = part;
            made->path = key->path.empty() ? part : key->path + "\\" + part;
            next = made.get();
            key->subkeys.push_back(std::move(made));
        }
        key = next;
    }
    return key;
}

// Counts the call; returns the armed error for it, or 0.
DWORD Armed(standin::Api api)
{
    const int index = static_cast<int>(api);
    const int nth = ++machine->calls[index];
    auto found = machine->failures.find({index, nth});
    return found == machine->failures.end() ? 0 : found->second;
}

void Note(std::string entry)
{
    if (machine->recording)
        machine->journal.push_back(std::move(entry));
}

HANDLE NewHandle(const Handle& handle)
{
    const std::uintptr_t value = machine->nextHandle;
    machine->nextHandle += 4;
    machine->handles[value] = handle;
    return reinterpret_cast<HANDLE>(value);
}

Handle* Find(const void* handle, Kind kind)
{
    auto found = machine->handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == machine->handles.end() || found->second.kind != kind)
        return nullptr;
    return &found->second;
}

std::string Label(const Handle& handle)
{
    return (handle.kind == Kind::Process ? "process" : "thread") + std::to_string(handle.process);
}

// Closes a handle of the given kind; false (and a bad close) when it was not open.
bool Close(const void* handle, Kind kind, const std::string& api)
{
    Handle* open = Find(handle, kind);
    if (open == nullptr) {
        ++machine->badCloses;
        Note(api + " <not open>");
        return false;
    }
    Note(api + " " + (kind == Kind::Key ? open->key->path : Label(*open)));
    machine->handles.erase(reinterpret_cast<std::uintptr_t>(handle));
    return true;
}

std::vector<BYTE> LittleEndian(std::uint64_t value, int bytes)
{
    std::vector<BYTE> data;
    for (int i = 0; i < bytes; ++i)
        data.push_back(static_cast<BYTE>(value >> (8 * i)));
    return data;
}

} // namespace

namespace standin {

void Reset()
{
    ApiScope scope;
    delete machine;
    machine = new Machine;
    programAllocations = 0;
    failAllocationAt = 0;
}

void CreateKey(const std::string& path)
{
    ApiScope scope;
    Walk(&machine->hklm, path, true);
}

void SetValue(const std::string& keyPath, const std::string& name, DWORD type, const std::vector<BYTE>& data)
{
    ApiScope scope;
    Key* key = Walk(&machine->hklm, keyPath, true);
    for (Value& value : key->values) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    key->values.push_back({name, type, data});
}

std::vector<BYTE> Text(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> TextZ(const std::string& text)
{
    std::vector<BYTE> data = Text(text);
    data.push_back(0);
    return data;
}

std::vector<BYTE> Dword(DWORD value)
{
    return LittleEndian(value, 4);
}

std::vector<BYTE> Qword(std::uint64_t value)
{
    return LittleEndian(value, 8);
}

void FailCall(Api api, int nth, DWORD error)
{
    ApiScope scope;
    machine->failures.insert({{static_cast<int>(api), nth}, error});
}

void ScriptExitCodes(const std::vector<DWORD>& codes)
{
    ApiScope scope;
    machine->exitCodes.assign(codes.begin(), codes.end());
}

void SetWindowsDirectory(const std::string& path)
{
    ApiScope scope;
    machine->windowsDirectory = path;
}

void FailAllocation(int nth)
{
    failAllocationAt = nth == 0 ? 0 : programAllocations + nth;
}

int ProgramAllocations()
{
    return programAllocations;
}

void SetRecording(bool on)
{
    machine->recording = on;
}

const std::vector<KeyOpen>& KeyOpens()
{
    return machine->keyOpens;
}

const std::vector<ProcessStart>& ProcessStarts()
{
    return machine->starts;
}

const std::vector<std::string>& DeletedFiles()
{
    return machine->deleted;
}

const std::vector<std::string>& Journal()
{
    return machine->journal;
}

int OpenHandles()
{
    return static_cast<int>(machine->handles.size());
}

int BadCloses()
{
    return machine->badCloses;
}

} // namespace standin

using standin::Api;

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
{
    ApiScope scope;
    const std::string path = lpSubKey != nullptr ? lpSubKey : "";
    Note("RegOpenKeyExA " + path);
    if (machine->recording)
        machine->keyOpens.push_back({hKey, path, ulOptions, samDesired});
    if (const DWORD error = Armed(Api::RegOpenKeyExA))
        return static_cast<LONG>(error);

    Key* parent = nullptr;
    if (hKey == HKEY_LOCAL_MACHINE)
        parent = &machine->hklm;
    else if (Handle* open = Find(hKey, Kind::Key))
        parent = open->key;
    if (parent == nullptr)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    Key* key = Walk(parent, path, false);
    if (key == nullptr)
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    *phkResult = static_cast<HKEY>(NewHandle({Kind::Key, key, 0, 0}));
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                          LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    ApiScope scope;
    Note("RegEnumKeyExA " + std::to_string(dwIndex));
    if (const DWORD error = Armed(Api::RegEnumKeyExA))
        return static_cast<LONG>(error);
    Handle* open = Find(hKey, Kind::Key);
    if (open == nullptr || lpReserved != nullptr || lpClass != nullptr || lpcchClass != nullptr ||
        lpftLastWriteTime != nullptr)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (dwIndex >= open->key->subkeys.size())
        return static_cast<LONG>(ERROR_NO_MORE_ITEMS);

    const std::string& name = open->key->subkeys[dwIndex]->name;
    if (name.size() + 1 > *lpcchName) {
        // What lands in the buffer then is not promised; leave an unterminated fragment.
        std::memcpy(lpName, name.data(), *lpcchName);
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData)
{
    ApiScope scope;
    const std::string name = lpValueName != nullptr ? lpValueName : "";
    Note("RegQueryValueExA " + name);
    if (const DWORD error = Armed(Api::RegQueryValueExA))
        return static_cast<LONG>(error);
    Handle* open = Find(hKey, Kind::Key);
    if (open == nullptr || lpReserved != nullptr)
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const Value* value = nullptr;
    for (const Value& candidate : open->key->values)
        if (SameName(candidate.name, name))
            value = &candidate;
    if (value == nullptr)
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);

    const DWORD size = static_cast<DWORD>(value->data.size());
    if (lpType != nullptr)
        *lpType = value->type;
    if (lpData != nullptr && size > *lpcbData) {
        // The buffer's contents are undefined after ERROR_MORE_DATA: make that visible.
        std::memset(lpData, 0xCD, *lpcbData);
        *lpcbData = size;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (lpData != nullptr && size != 0)
        std::memcpy(lpData, value->data.data(), size);
    if (lpcbData != nullptr)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    ApiScope scope;
    if (const DWORD error = Armed(Api::RegCloseKey))
        return static_cast<LONG>(error);
    return Close(hKey, Kind::Key, "RegCloseKey") ? ERROR_SUCCESS : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                           LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                           BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                           LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation)
{
    ApiScope scope;
    const std::string commandLine = lpCommandLine != nullptr ? lpCommandLine : "";
    Note("CreateProcessA " + commandLine);
    machine->starts.push_back({lpApplicationName != nullptr, commandLine, lpCommandLine,
                               lpProcessAttributes != nullptr || lpThreadAttributes != nullptr, bInheritHandles,
                               dwCreationFlags, lpEnvironment != nullptr, lpCurrentDirectory != nullptr,
                               *lpStartupInfo});
    if (const DWORD error = Armed(Api::CreateProcessA)) {
        machine->lastError = error;
        return FALSE;
    }
    // The call may write into the command line; a read-only one faults here as it would there.
    if (!commandLine.empty()) {
        volatile char* text = lpCommandLine;
        text[0] = text[0];
    }

    const int number = static_cast<int>(machine->starts.size());
    DWORD exitCode = 0;
    if (!machine->exitCodes.empty()) {
        exitCode = machine->exitCodes.front();
        machine->exitCodes.pop_front();
    }
    lpProcessInformation->hProcess = NewHandle({Kind::Process, nullptr, number, exitCode});
    lpProcessInformation->hThread = NewHandle({Kind::Thread, nullptr, number, 0});
    lpProcessInformation->dwProcessId = static_cast<DWORD>(1000 + number);
    lpProcessInformation->dwThreadId = static_cast<DWORD>(2000 + number);
    machine->lastError = 0;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    ApiScope scope;
    Handle* open = Find(hHandle, Kind::Process);
    Note("WaitForSingleObject " + (open != nullptr ? Label(*open) : std::string("<not open>")) + " " +
         std::to_string(dwMilliseconds));
    if (const DWORD error = Armed(Api::WaitForSingleObject)) {
        machine->lastError = error;
        return WAIT_FAILED;
    }
    if (open == nullptr) {
        machine->lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    machine->lastError = 0;
    return WAIT_OBJECT_0;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    ApiScope scope;
    Note("GetExitCodeProcess");
    if (const DWORD error = Armed(Api::GetExitCodeProcess)) {
        machine->lastError = error;
        return FALSE;
    }
    Handle* open = Find(hProcess, Kind::Process);
    if (open == nullptr) {
        machine->lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *lpExitCode = open->exitCode;
    machine->lastError = 0;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    ApiScope scope;
    if (const DWORD error = Armed(Api::CloseHandle)) {
        machine->lastError = error;
        return FALSE;
    }
    const Kind kind = Find(hObject, Kind::Thread) != nullptr ? Kind::Thread : Kind::Process;
    // A successful close clears the error code, as some Windows functions do.
    const bool closed = Close(hObject, kind, "CloseHandle");
    machine->lastError = closed ? 0 : ERROR_INVALID_HANDLE;
    return closed ? TRUE : FALSE;
}

DWORD WINAPI GetLastError()
{
    return machine->lastError;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    ApiScope scope;
    Note("GetWindowsDirectoryA");
    if (const DWORD error = Armed(Api::GetWindowsDirectoryA)) {
        machine->lastError = error;
        return 0;
    }
    const std::string& path = machine->windowsDirectory;
    // Too small a buffer: the size needed, terminator included, and nothing written.
    if (path.size() + 1 > uSize)
        return static_cast<UINT>(path.size() + 1);
    std::memcpy(lpBuffer, path.c_str(), path.size() + 1);
    return static_cast<UINT>(path.size());
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    ApiScope scope;
    Note(std::string("DeleteFileA ") + lpFileName);
    machine->deleted.push_back(lpFileName);
    if (const DWORD error = Armed(Api::DeleteFileA)) {
        machine->lastError = error;
        return FALSE;
    }
    machine->lastError = 0;
    return TRUE;
}

// The program's allocations go through here so that a test can make one of them fail. Every
// form is replaced, so that all of them pair malloc with free.
void* operator new(std::size_t size)
{
    if (apiDepth == 0) {
        ++programAllocations;
        if (failAllocationAt != 0 && programAllocations == failAllocationAt) {
            failAllocationAt = 0;
            throw std::bad_alloc();
        }
    }
    if (void* memory = std::malloc(size != 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}
