// Every native test starts on an empty machine and ends with every handle it opened closed.
#pragma once

#include "standin.h"

#include <gtest/gtest.h>

#include <string>

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }

    void TearDown() override { ExpectHandlesBalanced(); }

    // For tables that reset the machine between cases: check each case, not just the last.
    static void ExpectHandlesBalanced()
    {
        EXPECT_EQ(standin::OpenHandles(), 0) << "handles left open";
        EXPECT_EQ(standin::BadCloses(), 0) << "handles closed that were not open";
    }

    static int JournalIndex(const std::string& entry)
    {
        const auto& journal = standin::Journal();
        for (size_t i = 0; i < journal.size(); ++i)
            if (journal[i] == entry)
                return static_cast<int>(i);
        return -1;
    }

    static int CountJournal(const std::string& prefix)
    {
        int count = 0;
        for (const std::string& entry : standin::Journal())
            count += entry.compare(0, prefix.size(), prefix) == 0;
        return count;
    }
};
