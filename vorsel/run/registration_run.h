// The whole run: probe the machine, register or unregister both Outlook plug-ins to match,
// remove the add-in file. Always returns 0, the program's exit code.
#pragma once

struct PluginRegistration {
    const char* profileKey;
    const char* register64;
    const char* register32;
    const char* unregister;
};

// In the order the plug-ins are handled: the antivirus plug-in, then the anti-spam plug-in.
const int kPluginCount = 2;
extern const PluginRegistration PluginRegistrationTable[kPluginCount];

const char* ChooseCommand(const PluginRegistration& plugin, bool installed, bool outlook64Bit);

int RunRegistration();
