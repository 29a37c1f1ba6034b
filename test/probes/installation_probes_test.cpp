#include "probes/installation_probes.h"
#include "support/standin_fixture.h"

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string kOffice = "SOFTWARE\\Microsoft\\Office";
const std::string kProfile = "SOFTWARE\\TolvenmarkLab\\protected\\Ostrand80\\profiles\\Mail_Monitoring";

std::string OutlookKey(const std::string& version)
{
    return kOffice + "\\" + version + "\\Outlook";
}

// --- Version names --------------------------------------------------------------------------

struct ParseCase {
    const char* name;
    int major;
    int minor;
    bool inRange; // defined for sscanf too, so the two must agree
};

const ParseCase kParseCases[] = {
    {"14.0", 14, 0, true},
    {"14.5", 14, 5, true},
    {"15", 15, 0, true},
    {"12abc", 12, 0, true},
    {"Common", 0, 0, true},
    {"", 0, 0, true},
    {"0.5", 0, 5, true},
    {"-3.1", -3, 1, true},
    {"+7.2", 7, 2, true},
    {" \t\n\v\f\r16.1", 16, 1, true},
    {"14. 5", 14, 5, true},  // the minor skips white space too
    {"14 .5", 14, 0, true},  // but the full stop must follow the major directly
    {"14.-2", 14, -2, true},
    {"14.x", 14, 0, true},
    {"14.0.1", 14, 0, true},
    {".5", 0, 0, true},
    {"-", 0, 0, true},
    {"+.5", 0, 0, true},
    {"-0.0", 0, 0, true},
    {"0000000000000000000000000016.3", 16, 3, true}, // leading zeros do not saturate
    {"2147483647.-2147483648", INT_MAX, INT_MIN, true},
    {"2147483648.1", INT_MAX, 1, false},
    {"-2147483649.1", INT_MIN, 1, false},
    {"9999999999999999999999999999999", INT_MAX, 0, false}, // 31 digits, the longest name
    {"99999999999999999999.99999999999", INT_MAX, INT_MAX, false},
    {"1.-99999999999999999999999999999", 1, INT_MIN, false},
};

TEST(ParseOfficeVersion, ReadsLikeScanfAndSaturates)
{
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(std::string("name \"") + c.name + "\"");
        const OfficeVersion version = ParseOfficeVersion(c.name);
        EXPECT_EQ(version.major, c.major);
        EXPECT_EQ(version.minor, c.minor);
        if (c.inRange) {
            int major = 0;
            int minor = 0;
            std::sscanf(c.name, "%d.%d", &major, &minor);
            EXPECT_EQ(major, c.major) << "sscanf disagrees";
            EXPECT_EQ(minor, c.minor) << "sscanf disagrees";
        }
    }
}

// --- IsOutlook64Bit over whole Office trees ------------------------------------------------

struct Bitness {
    std::string version;
    DWORD type;
    std::vector<BYTE> data;
};

struct OutlookCase {
    const char* label;
    bool officeKey;
    std::vector<std::string> subkeys; // in enumeration order
    std::vector<Bitness> bitness;     // Outlook keys with a "Bitness" value
    std::vector<std::string> outlookKeysOnly; // Outlook keys without it
    bool expected;
    std::string opened; // the Outlook key the probe tries, or empty for none
};

std::vector<BYTE> Padded(std::vector<BYTE> data, size_t size)
{
    data.resize(size, 'z');
    return data;
}

const std::string kName31 = "17.0" + std::string(27, 'a');
const std::string kName32 = "18.0" + std::string(28, 'a');

const std::vector<OutlookCase>& OutlookCases()
{
    using standin::Text;
    using standin::TextZ;
    static const std::vector<OutlookCase> cases = {
        {"no Office key", false, {}, {}, {}, false, ""},
        {"Office key without subkeys", true, {}, {}, {}, false, ""},
        {"only names that are no version", true, {"Common", "Outlook", "Delivery"}, {}, {}, false, ""},
        {"newest of three", true, {"12.0", "14.0", "11.0"}, {{"14.0", REG_SZ, TextZ("x64")}}, {}, true,
         OutlookKey("14.0")},
        {"newest enumerated first", true, {"14.0", "11.0", "12.0"}, {{"14.0", REG_SZ, TextZ("x64")}}, {}, true,
         OutlookKey("14.0")},
        {"minor decides", true, {"14.0", "14.5"}, {{"14.5", REG_SZ, TextZ("x64")}}, {}, true, OutlookKey("14.5")},
        {"bare major, path keeps the name", true, {"15"}, {{"15", REG_SZ, TextZ("x64")}}, {}, true,
         OutlookKey("15")},
        {"trailing text", true, {"12abc"}, {{"12abc", REG_SZ, TextZ("x64")}}, {}, true, OutlookKey("12abc")},
        {"0.5 beats nothing", true, {"Common", "0.5"}, {{"0.5", REG_SZ, TextZ("x64")}}, {}, true,
         OutlookKey("0.5")},
        {"0.0 and negatives never win", true, {"0.0", "-3.1"}, {{"0.0", REG_SZ, TextZ("x64")}}, {}, false, ""},
        {"equal versions: first stays", true, {"14", "14.0"},
         {{"14", REG_SZ, TextZ("x64")}, {"14.0", REG_SZ, TextZ("x86")}}, {}, true, OutlookKey("14")},
        {"equal versions, other order", true, {"14.0", "14"},
         {{"14", REG_SZ, TextZ("x64")}, {"14.0", REG_SZ, TextZ("x86")}}, {}, false, OutlookKey("14.0")},
        {"31-character name is read", true, {"12.0", kName31}, {{kName31, REG_SZ, TextZ("x64")}}, {}, true,
         OutlookKey(kName31)},
        {"32-character name ends the scan", true, {"12.0", kName32, "16.0"},
         {{"12.0", REG_SZ, TextZ("x64")}, {"16.0", REG_SZ, TextZ("x86")}}, {}, true, OutlookKey("12.0")},
        {"newest has no Outlook key", true, {"12.0", "14.0"}, {{"12.0", REG_SZ, TextZ("x64")}}, {}, false,
         OutlookKey("14.0")},
        {"newest Outlook key has no Bitness", true, {"12.0", "14.0"}, {{"12.0", REG_SZ, TextZ("x64")}},
         {"14.0"}, false, OutlookKey("14.0")},
        {"saturated version beats any real one", true, {"16.0", "99999999999999999999"},
         {{"99999999999999999999", REG_SZ, TextZ("x64")}}, {}, true, OutlookKey("99999999999999999999")},
        // What "Bitness" holds, on the winning version 16.0.
        {"x86", true, {"16.0"}, {{"16.0", REG_SZ, TextZ("x86")}}, {}, false, OutlookKey("16.0")},
        {"X64 upper case", true, {"16.0"}, {{"16.0", REG_SZ, TextZ("X64")}}, {}, false, OutlookKey("16.0")},
        {"x64 and a blank", true, {"16.0"}, {{"16.0", REG_SZ, TextZ("x64 ")}}, {}, false, OutlookKey("16.0")},
        {"x640", true, {"16.0"}, {{"16.0", REG_SZ, TextZ("x640")}}, {}, false, OutlookKey("16.0")},
        {"x6", true, {"16.0"}, {{"16.0", REG_SZ, Text("x6")}}, {}, false, OutlookKey("16.0")},
        {"empty string", true, {"16.0"}, {{"16.0", REG_SZ, TextZ("")}}, {}, false, OutlookKey("16.0")},
        {"no data at all", true, {"16.0"}, {{"16.0", REG_SZ, {}}}, {}, false, OutlookKey("16.0")},
        {"x64, text after the terminator", true, {"16.0"}, {{"16.0", REG_SZ, TextZ(std::string("x64\0junk", 8))}}, {}, true,
         OutlookKey("16.0")},
        // The name buffer held "16.0" before; the fourth byte must not come from there.
        {"x64 without terminator", true, {"16.0"}, {{"16.0", REG_SZ, Text("x64")}}, {}, true, OutlookKey("16.0")},
        {"binary x 6 4 0", true, {"16.0"}, {{"16.0", REG_BINARY, {'x', '6', '4', 0}}}, {}, true,
         OutlookKey("16.0")},
        {"DWORD with the same bytes", true, {"16.0"}, {{"16.0", REG_DWORD, standin::Dword(0x00343678)}}, {}, true,
         OutlookKey("16.0")},
        {"32 bytes fit", true, {"16.0"}, {{"16.0", REG_SZ, Padded(TextZ("x64"), 32)}}, {}, true,
         OutlookKey("16.0")},
        {"33 bytes do not", true, {"16.0"}, {{"16.0", REG_SZ, Padded(TextZ("x64"), 33)}}, {}, false,
         OutlookKey("16.0")},
    };
    return cases;
}

class IsOutlook64BitTest : public StandinTest {
protected:
    static void Build(const OutlookCase& c)
    {
        if (c.officeKey)
            standin::CreateKey(kOffice);
        for (const std::string& name : c.subkeys)
            standin::CreateKey(kOffice + "\\" + name);
        for (const Bitness& b : c.bitness)
            standin::SetValue(OutlookKey(b.version), "Bitness", b.type, b.data);
        for (const std::string& version : c.outlookKeysOnly)
            standin::CreateKey(OutlookKey(version));
    }

    // Any other key tried after the Office key: there is only one, and no fall-back.
    static std::vector<std::string> KeysTriedAfterOffice()
    {
        std::vector<std::string> paths;
        for (const standin::KeyOpen& open : standin::KeyOpens())
            if (open.path != kOffice)
                paths.push_back(open.path);
        return paths;
    }

    static void ExpectReadOnlyDefaultView()
    {
        for (const standin::KeyOpen& open : standin::KeyOpens()) {
            EXPECT_EQ(open.root, HKEY_LOCAL_MACHINE) << open.path;
            EXPECT_EQ(open.options, 0u) << open.path;
            EXPECT_EQ(open.access, static_cast<REGSAM>(KEY_READ)) << open.path << ": KEY_READ, no view flag";
        }
    }
};

TEST_F(IsOutlook64BitTest, AnswersForEachOfficeTree)
{
    for (const OutlookCase& c : OutlookCases()) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        Build(c);

        EXPECT_EQ(IsOutlook64Bit(), c.expected);

        const std::vector<std::string> tried = KeysTriedAfterOffice();
        if (c.opened.empty()) {
            EXPECT_TRUE(tried.empty());
        } else {
            EXPECT_EQ(tried, std::vector<std::string>{c.opened});
        }
        ExpectReadOnlyDefaultView();
        ExpectHandlesBalanced();
    }
}

TEST_F(IsOutlook64BitTest, ClosesOutlookKeyBeforeOfficeKey)
{
    Build(OutlookCases()[3]);
    ASSERT_TRUE(IsOutlook64Bit());
    const int outlook = JournalIndex("RegCloseKey " + OutlookKey("14.0"));
    const int office = JournalIndex("RegCloseKey " + kOffice);
    ASSERT_GE(outlook, 0);
    EXPECT_GT(office, outlook);
}

struct CallFailure {
    const char* label;
    standin::Api api;
    int nth;
    bool expected;
    std::string opened;
};

// Subkeys 12.0 and 14.0, both with a 64-bit Outlook: true when nothing fails.
TEST_F(IsOutlook64BitTest, EveryFailedCallIsTheAnswerFalse)
{
    const CallFailure cases[] = {
        {"Office key does not open", standin::Api::RegOpenKeyExA, 1, false, ""},
        {"first enumeration fails", standin::Api::RegEnumKeyExA, 1, false, ""},
        {"second enumeration fails: 12.0 stays", standin::Api::RegEnumKeyExA, 2, true, OutlookKey("12.0")},
        {"Outlook key does not open", standin::Api::RegOpenKeyExA, 2, false, OutlookKey("14.0")},
        {"Bitness query fails", standin::Api::RegQueryValueExA, 1, false, OutlookKey("14.0")},
    };
    for (const CallFailure& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        Build({"", true, {"12.0", "14.0"}, {{"12.0", REG_SZ, standin::TextZ("x64")},
                                           {"14.0", REG_SZ, standin::TextZ("x64")}}, {}, true, ""});
        standin::FailCall(c.api, c.nth, ERROR_ACCESS_DENIED);

        EXPECT_EQ(IsOutlook64Bit(), c.expected);

        const std::vector<std::string> tried = KeysTriedAfterOffice();
        EXPECT_EQ(tried, c.opened.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.opened});
        ExpectHandlesBalanced();
    }
}

TEST_F(IsOutlook64BitTest, AllocationFailureIsTheAnswerFalse)
{
    // A name too long for the short-string buffer, so that choosing it allocates too.
    const std::string version = "16.0.12345678901234567";
    Build({"", true, {"12.0", version}, {{version, REG_SZ, standin::TextZ("x64")}}, {}, true, ""});

    const int before = standin::ProgramAllocations();
    ASSERT_TRUE(IsOutlook64Bit());
    const int allocations = standin::ProgramAllocations() - before;
    ASSERT_GE(allocations, 2) << "the chosen name and the key path";

    for (int nth = 1; nth <= allocations; ++nth) {
        SCOPED_TRACE("allocation " + std::to_string(nth));
        standin::FailAllocation(nth);
        EXPECT_FALSE(IsOutlook64Bit());
        standin::FailAllocation(0);
        ExpectHandlesBalanced();
    }
    EXPECT_TRUE(IsOutlook64Bit());
}

// --- IsComponentInstalled -------------------------------------------------------------------

struct InstalledCase {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
    bool expected;
};

class IsComponentInstalledTest : public StandinTest {};

TEST_F(IsComponentInstalledTest, ReadsTheInstalledValue)
{
    const InstalledCase cases[] = {
        {"DWORD 1", REG_DWORD, standin::Dword(1), true},
        {"DWORD 0xFFFFFFFF", REG_DWORD, standin::Dword(0xFFFFFFFF), true},
        {"DWORD 0x01000000", REG_DWORD, standin::Dword(0x01000000), true},
        {"DWORD 0", REG_DWORD, standin::Dword(0), false},
        {"string \"0\"", REG_SZ, standin::TextZ("0"), true},
        {"empty string", REG_SZ, standin::TextZ(""), false},
        {"no data", REG_BINARY, {}, false},
        {"one byte 1", REG_BINARY, {1}, true},
        {"third byte set", REG_BINARY, {0, 0, 1}, true},
        {"two zero bytes", REG_BINARY, {0, 0}, false},
        {"QWORD 1 does not fit", REG_QWORD, standin::Qword(1), false},
        {"five bytes do not fit", REG_BINARY, {1, 1, 1, 1, 1}, false},
    };
    for (const InstalledCase& c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        standin::SetValue(kProfile, "installed", c.type, c.data);

        EXPECT_EQ(IsComponentInstalled(kProfile.c_str()), c.expected);

        ASSERT_EQ(standin::KeyOpens().size(), 1u);
        EXPECT_EQ(standin::KeyOpens()[0].root, HKEY_LOCAL_MACHINE);
        EXPECT_EQ(standin::KeyOpens()[0].path, kProfile);
        EXPECT_EQ(standin::KeyOpens()[0].options, 0u);
        EXPECT_EQ(standin::KeyOpens()[0].access, static_cast<REGSAM>(KEY_READ));
        ExpectHandlesBalanced();
    }
}

TEST_F(IsComponentInstalledTest, MissingKeyOrValueIsFalse)
{
    EXPECT_FALSE(IsComponentInstalled(kProfile.c_str()));

    standin::SetValue(kProfile, "Installed2", REG_DWORD, standin::Dword(1));
    EXPECT_FALSE(IsComponentInstalled(kProfile.c_str()));

    standin::SetValue(kProfile + "\\installed", "installed", REG_DWORD, standin::Dword(1));
    EXPECT_FALSE(IsComponentInstalled(kProfile.c_str())) << "a subkey is not the value";
}

TEST_F(IsComponentInstalledTest, FailedCallsAreFalseAndCloseTheKey)
{
    const standin::Api failing[] = {standin::Api::RegOpenKeyExA, standin::Api::RegQueryValueExA};
    for (standin::Api api : failing) {
        standin::Reset();
        standin::SetValue(kProfile, "installed", REG_DWORD, standin::Dword(1));
        standin::FailCall(api, 1, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(IsComponentInstalled(kProfile.c_str()));
        ExpectHandlesBalanced();
    }
}

} // namespace
