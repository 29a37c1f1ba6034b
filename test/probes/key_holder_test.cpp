#include "probes/key_holder.h"
#include "support/standin_fixture.h"

#include <utility>

namespace {

class KeyHolderTest : public StandinTest {
protected:
    void SetUp() override
    {
        StandinTest::SetUp();
        standin::CreateKey("SOFTWARE\\A");
        standin::CreateKey("SOFTWARE\\B");
    }

    static HKEY Open(const char* path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS);
        return key;
    }
};

TEST_F(KeyHolderTest, MovesOwnershipAndClosesEachKeyOnce)
{
    {
        KeyHolder a(Open("SOFTWARE\\A"));
        KeyHolder b(std::move(a));
        EXPECT_EQ(a.Get(), nullptr);
        EXPECT_EQ(standin::OpenHandles(), 1);

        b = KeyHolder(Open("SOFTWARE\\B")); // the key it held is closed first
        EXPECT_EQ(standin::OpenHandles(), 1);
        EXPECT_EQ(CountJournal("RegCloseKey SOFTWARE\\A"), 1);

        KeyHolder& self = b;
        b = std::move(self);
        EXPECT_NE(b.Get(), nullptr) << "a move onto itself keeps the key";
    }
    EXPECT_EQ(CountJournal("RegCloseKey SOFTWARE\\B"), 1);
}

TEST_F(KeyHolderTest, CloseAndReleaseLeaveNothingToCloseTwice)
{
    KeyHolder a(Open("SOFTWARE\\A"));
    a.Close();
    a.Close();
    EXPECT_EQ(CountJournal("RegCloseKey"), 1);

    KeyHolder b(Open("SOFTWARE\\B"));
    const HKEY released = b.Release();
    EXPECT_EQ(b.Get(), nullptr);
    EXPECT_EQ(RegCloseKey(released), ERROR_SUCCESS);
}

} // namespace
