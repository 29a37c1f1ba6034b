#include "run/registration_run.h"
#include "support/standin_fixture.h"

#include <string>
#include <vector>

namespace {

const std::string kProfiles = "SOFTWARE\\TolvenmarkLab\\protected\\Ostrand80\\profiles\\";
const std::string kMail = kProfiles + "Mail_Monitoring";
const std::string kAntiSpam = kProfiles + "Anti_Spam";

enum class Outlook { None, Bit32, Bit64 };

struct MachineState {
    Outlook outlook;
    bool mail;
    bool antiSpam;
};

void Build(const MachineState& state)
{
    if (state.outlook != Outlook::None) {
        standin::CreateKey("SOFTWARE\\Microsoft\\Office\\Common");
        standin::SetValue("SOFTWARE\\Microsoft\\Office\\16.0\\Outlook", "Bitness", REG_SZ,
                          standin::TextZ(state.outlook == Outlook::Bit64 ? "x64" : "x86"));
    }
    // A component that is not installed: its key missing, or present with 0.
    if (state.mail)
        standin::SetValue(kMail, "installed", REG_DWORD, standin::Dword(1));
    else
        standin::SetValue(kMail, "installed", REG_DWORD, standin::Dword(0));
    if (state.antiSpam)
        standin::SetValue(kAntiSpam, "installed", REG_DWORD, standin::Dword(1));
}

std::vector<std::string> Commands()
{
    std::vector<std::string> commands;
    for (const standin::ProcessStart& start : standin::ProcessStarts())
        commands.push_back(start.commandLine);
    return commands;
}

class RegistrationRunTest : public StandinTest {};

struct RunCase {
    MachineState state;
    const char* antivirus;
    const char* antiSpam;
};

TEST_F(RegistrationRunTest, RunsTheCommandsThatMatchTheMachine)
{
    const RunCase cases[] = {
        {{Outlook::Bit64, true, true}, "regsvr32 /s .\\x64\\pelk.dll", "regsvr32 /s .\\x64\\pelkas.dll"},
        {{Outlook::Bit64, true, false}, "regsvr32 /s .\\x64\\pelk.dll", "regsvr32 /s /u .\\pelkas.dll"},
        {{Outlook::Bit64, false, true}, "regsvr32 /s /u .\\pelk.dll", "regsvr32 /s .\\x64\\pelkas.dll"},
        {{Outlook::Bit64, false, false}, "regsvr32 /s /u .\\pelk.dll", "regsvr32 /s /u .\\pelkas.dll"},
        {{Outlook::Bit32, true, true}, "regsvr32 /s .\\pelk.dll", "regsvr32 /s .\\pelkas.dll"},
        {{Outlook::Bit32, true, false}, "regsvr32 /s .\\pelk.dll", "regsvr32 /s /u .\\pelkas.dll"},
        {{Outlook::Bit32, false, true}, "regsvr32 /s /u .\\pelk.dll", "regsvr32 /s .\\pelkas.dll"},
        {{Outlook::None, true, true}, "regsvr32 /s .\\pelk.dll", "regsvr32 /s .\\pelkas.dll"},
        {{Outlook::None, false, false}, "regsvr32 /s /u .\\pelk.dll", "regsvr32 /s /u .\\pelkas.dll"},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(std::string("antivirus ") + c.antivirus + ", anti-spam " + c.antiSpam);
        standin::Reset();
        Build(c.state);

        EXPECT_EQ(RunRegistration(), 0);

        EXPECT_EQ(Commands(), (std::vector<std::string>{c.antivirus, c.antiSpam}));
        EXPECT_EQ(standin::DeletedFiles(), std::vector<std::string>{"C:\\Windows\\addins\\pelk.ecf"});
        ExpectHandlesBalanced();
    }
}

// Probes, then one child at a time, then the file: a registration may change what the probes
// would read, and regsvr32 instances must not overlap.
TEST_F(RegistrationRunTest, ProbesFirstThenOneChildAtATimeThenTheFile)
{
    Build({Outlook::Bit64, true, false});
    RunRegistration();

    const std::vector<std::string>& journal = standin::Journal();
    const int firstStart = JournalIndex("CreateProcessA regsvr32 /s .\\x64\\pelk.dll");
    const int secondStart = JournalIndex("CreateProcessA regsvr32 /s /u .\\pelkas.dll");
    ASSERT_GE(firstStart, 0);
    ASSERT_GT(secondStart, firstStart);
    for (int i = firstStart; i < static_cast<int>(journal.size()); ++i)
        EXPECT_NE(journal[i].rfind("Reg", 0), 0u) << "registry call after a child started: " << journal[i];
    EXPECT_EQ(JournalIndex("RegOpenKeyExA " + kMail) + 2, JournalIndex("RegCloseKey " + kMail));
    EXPECT_LT(JournalIndex("RegOpenKeyExA " + kMail), JournalIndex("RegOpenKeyExA " + kAntiSpam));
    EXPECT_GT(secondStart, JournalIndex("CloseHandle thread1")) << "first child waited for and closed";
    EXPECT_EQ(journal.back(), "DeleteFileA C:\\Windows\\addins\\pelk.ecf");
}

TEST_F(RegistrationRunTest, FailingCommandsChangeNothing)
{
    Build({Outlook::Bit32, true, true});
    standin::FailCall(standin::Api::CreateProcessA, 1, ERROR_FILE_NOT_FOUND);
    standin::FailCall(standin::Api::CreateProcessA, 2, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RunRegistration(), 0);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"regsvr32 /s .\\pelk.dll", "regsvr32 /s .\\pelkas.dll"}));
    EXPECT_EQ(standin::DeletedFiles().size(), 1u);

    standin::Reset();
    Build({Outlook::Bit32, true, true});
    standin::ScriptExitCodes({3, 4});
    standin::FailCall(standin::Api::DeleteFileA, 1, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RunRegistration(), 0);
    EXPECT_EQ(Commands().size(), 2u);
}

TEST_F(RegistrationRunTest, AllocationFailureInTheProbeCountsAsNot64Bit)
{
    const std::string version = "16.0.12345678901234567";
    standin::SetValue("SOFTWARE\\Microsoft\\Office\\" + version + "\\Outlook", "Bitness", REG_SZ,
                      standin::TextZ("x64"));
    Build({Outlook::None, true, true});
    standin::FailAllocation(1);

    EXPECT_EQ(RunRegistration(), 0);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"regsvr32 /s .\\pelk.dll", "regsvr32 /s .\\pelkas.dll"}));
    EXPECT_EQ(standin::DeletedFiles().size(), 1u);
}

struct DirectoryCase {
    const char* label;
    size_t length;
    bool fails;
    bool deleted;
};

// 1024 characters hold the path, "\addins\pelk.ecf" (16) and the terminator.
TEST_F(RegistrationRunTest, AddinFileRemovedOnlyWhenItsPathFits)
{
    const DirectoryCase cases[] = {
        {"directory call fails", 10, true, false},
        {"longest path that fits", 1007, false, true},
        {"one more does not", 1008, false, false},
        {"fills the buffer", 1023, false, false},
        {"larger than the buffer", 1024, false, false},
        {"far larger", 5000, false, false},
    };
    for (const DirectoryCase& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        const std::string directory = "C:" + std::string(c.length - 2, 'w');
        standin::SetWindowsDirectory(directory);
        if (c.fails)
            standin::FailCall(standin::Api::GetWindowsDirectoryA, 1, ERROR_ACCESS_DENIED);

        EXPECT_EQ(RunRegistration(), 0);

        if (c.deleted)
            EXPECT_EQ(standin::DeletedFiles(), std::vector<std::string>{directory + "\\addins\\pelk.ecf"});
        else
            EXPECT_TRUE(standin::DeletedFiles().empty());
        EXPECT_EQ(Commands().size(), 2u);
    }
}

} // namespace
