#include "run/hidden_command.h"
#include "support/standin_fixture.h"

#include <cstring>
#include <string>

namespace {

class RunHiddenCommandTest : public StandinTest {};

TEST_F(RunHiddenCommandTest, YieldsTheChildsExitCode)
{
    const DWORD codes[] = {0, 5, 259, 0xC0000005};
    standin::ScriptExitCodes({codes[0], codes[1], codes[2], codes[3]});
    for (DWORD code : codes)
        EXPECT_EQ(RunHiddenCommand("regsvr32 /s .\\pelk.dll"), code);
    EXPECT_EQ(standin::ProcessStarts().size(), 4u);
}

TEST_F(RunHiddenCommandTest, StartsHiddenWithInheritedEnvironmentAndDirectory)
{
    const char command[] = "regsvr32 /s .\\x64\\pelk.dll";
    RunHiddenCommand(command);

    ASSERT_EQ(standin::ProcessStarts().size(), 1u);
    const standin::ProcessStart& start = standin::ProcessStarts()[0];
    EXPECT_FALSE(start.applicationNameGiven) << "regsvr32 is found by the system's search";
    EXPECT_EQ(start.commandLine, command);
    EXPECT_NE(start.buffer, command) << "the call may write into its command line: hand it a copy";
    EXPECT_FALSE(start.securityAttributesGiven);
    EXPECT_EQ(start.inheritHandles, FALSE);
    EXPECT_EQ(start.creationFlags, static_cast<DWORD>(CREATE_NO_WINDOW));
    EXPECT_FALSE(start.environmentGiven);
    EXPECT_FALSE(start.currentDirectoryGiven);

    STARTUPINFOA expected;
    std::memset(&expected, 0, sizeof expected);
    expected.cb = sizeof expected;
    EXPECT_EQ(std::memcmp(&start.startup, &expected, sizeof expected), 0) << "only the size is set";

    const std::vector<std::string> calls = {
        std::string("CreateProcessA ") + command,
        "WaitForSingleObject process1 4294967295",
        "GetExitCodeProcess",
        "CloseHandle process1",
        "CloseHandle thread1",
    };
    EXPECT_EQ(standin::Journal(), calls);
}

TEST_F(RunHiddenCommandTest, StartFailureYieldsItsErrorAndClosesNothing)
{
    standin::FailCall(standin::Api::CreateProcessA, 1, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RunHiddenCommand("regsvr32 /s .\\pelk.dll"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CountJournal("WaitForSingleObject"), 0);
    EXPECT_EQ(CountJournal("CloseHandle"), 0);
}

// The stand-in clears the error code on a successful close, as Windows may: the code must be
// read where the step failed, and a failed step is never reported as exit code 0.
TEST_F(RunHiddenCommandTest, WaitOrExitCodeFailureYieldsThatStepsError)
{
    const standin::Api failing[] = {standin::Api::WaitForSingleObject, standin::Api::GetExitCodeProcess};
    for (standin::Api api : failing) {
        standin::Reset();
        standin::ScriptExitCodes({7});
        standin::FailCall(api, 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(RunHiddenCommand("regsvr32 /s .\\pelk.dll"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(JournalIndex("CloseHandle process1") + 1, JournalIndex("CloseHandle thread1"));
        ExpectHandlesBalanced();
    }
}

TEST_F(RunHiddenCommandTest, ShorterCommandAfterLongerRunsExactlyItsOwnText)
{
    RunHiddenCommand("regsvr32 /s /u .\\pelkas.dll");
    RunHiddenCommand("regsvr32 /s .\\pelk.dll");

    ASSERT_EQ(standin::ProcessStarts().size(), 2u);
    EXPECT_EQ(standin::ProcessStarts()[1].commandLine, "regsvr32 /s .\\pelk.dll");
    EXPECT_EQ(standin::ProcessStarts()[0].buffer, standin::ProcessStarts()[1].buffer);
}

TEST_F(RunHiddenCommandTest, CommandThatDoesNotFitIsNeverStarted)
{
    const std::string longest(kCommandLineBufferChars - 1, 'a');
    EXPECT_EQ(RunHiddenCommand(longest.c_str()), 0u);
    ASSERT_EQ(standin::ProcessStarts().size(), 1u);
    EXPECT_EQ(standin::ProcessStarts()[0].commandLine, longest);

    const std::string tooLong = "regsvr32 /s .\\" + std::string(kCommandLineBufferChars, 'b');
    EXPECT_EQ(RunHiddenCommand(tooLong.c_str()), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(RunHiddenCommand(std::string(kCommandLineBufferChars, 'c').c_str()),
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(standin::ProcessStarts().size(), 1u) << "nothing cut off was started";
}

} // namespace
