#include "registration_run.h"

#include "hidden_command.h"
#include "probes/installation_probes.h"

#include <windows.h>

#include <cstring>

// Relative paths: the program is started in the folder that holds the plug-ins, and each
// child inherits that current directory. Unregistering always names the DLL beside us.
const PluginRegistration PluginRegistrationTable[kPluginCount] = {
    {"SOFTWARE\\TolvenmarkLab\\protected\\Ostrand80\\profiles\\Mail_Monitoring",
     "regsvr32 /s .\\x64\\pelk.dll", "regsvr32 /s .\\pelk.dll", "regsvr32 /s /u .\\pelk.dll"},
    {"SOFTWARE\\TolvenmarkLab\\protected\\Ostrand80\\profiles\\Anti_Spam",
     "regsvr32 /s .\\x64\\pelkas.dll", "regsvr32 /s .\\pelkas.dll", "regsvr32 /s /u .\\pelkas.dll"},
};

namespace {

const char kAddinFileSuffix[] = "\\addins\\pelk.ecf";
const UINT kWindowsPathChars = 1024;

void RemoveAddinFile()
{
    char path[kWindowsPathChars];
    // 0 is failure, and a result of the buffer size or more is the size the path would need.
    // Either way, or when the suffix would not fit behind the path, nothing is deleted.
    const UINT length = GetWindowsDirectoryA(path, kWindowsPathChars);
    if (length == 0 || length > kWindowsPathChars - sizeof kAddinFileSuffix)
        return;
    std::memcpy(path + length, kAddinFileSuffix, sizeof kAddinFileSuffix);
    DeleteFileA(path);
}

} // namespace

const char* ChooseCommand(const PluginRegistration& plugin, bool installed, bool outlook64Bit)
{
    if (!installed)
        return plugin.unregister;
    return outlook64Bit ? plugin.register64 : plugin.register32;
}

int RunRegistration()
{
    // Every probe runs before the first command: a registration may change what they read.
    const bool outlook64Bit = IsOutlook64Bit();
    bool installed[kPluginCount];
    for (int i = 0; i < kPluginCount; ++i)
        installed[i] = IsComponentInstalled(PluginRegistrationTable[i].profileKey);

    for (int i = 0; i < kPluginCount; ++i)
        RunHiddenCommand(ChooseCommand(PluginRegistrationTable[i], installed[i], outlook64Bit));

    RemoveAddinFile();
    return 0;
}
