#include <stochvar/numerics/ErrorState.h>

#include "CapturedOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace stochvar;
using stochvar::test::CapturedOutputOf;

namespace {

// Saves the three slots and puts them back, so that each test starts from and leaves the store
// as it found it.
class ErrorStateTest : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) {
            m_nSaved[i] = ErrState(i, 0, false);
        }
    }
    void TearDown() override {
        for (int i = 0; i < 3; ++i) {
            ErrState(i, m_nSaved[i], true);
        }
    }
    int m_nSaved[3] = {0, 0, 0};
};

TEST(ErrorStateAtLoad, AllSlotsAreZero) {
    // Checked in a freshly started copy of the test program, before anything has run in it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool bZero = ErrState(0, 0, false) == 0 && ErrState(1, 0, false) == 0 &&
                               ErrState(2, 0, false) == 0;
            std::exit(bZero ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(ErrorStateTest, ReadAndStore) {
    ErrState(ERRSTATE_ERROR_NUMBER, 0, true);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 7, false), 0); // read only
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 7, true), 0);  // returns the old value
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 9, true), 7);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 9);
    // Slots are independent.
    ErrState(ERRSTATE_RECOVERY_MODE, 1, true);
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 9);
    EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), 1);
    // Slot numbers outside the store read as 0 and keep nothing.
    EXPECT_EQ(ErrState(3, 5, true), 0);
    EXPECT_EQ(ErrState(3, 0, false), 0);
    EXPECT_EQ(ErrState(-1, 5, true), 0);
}

TEST_F(ErrorStateTest, EntsrcModeTransitions) {
    struct Case {
        int nModeBefore, nNewMode, nExpectedOld, nModeAfter;
        const char* expected;
    };
    const Case cases[] = {
        {0, 1, 0, 1, ""},
        {1, 2, 1, 2, ""},
        {2, 0, 2, 2, ""}, // 0 keeps the mode
        {1, 0, 1, 1, ""},
        {2, 1, 2, 1, ""},
        {1, 3, 1, 3, "ENTSRC:  Illegal value of IrNew\n"}, // reported, and still taken
        {0, -1, 0, -1, "ENTSRC:  Illegal value of IrNew\n"},
    };
    for (const Case& c : cases) {
        ErrState(ERRSTATE_RECOVERY_MODE, c.nModeBefore, true);
        int nOld = -99;
        EXPECT_EQ(CapturedOutputOf([&] { ENTSRC(nOld, c.nNewMode); }), c.expected)
            << c.nModeBefore << " -> " << c.nNewMode;
        EXPECT_EQ(nOld, c.nExpectedOld) << c.nModeBefore << " -> " << c.nNewMode;
        EXPECT_EQ(ErrState(ERRSTATE_RECOVERY_MODE, 0, false), c.nModeAfter)
            << c.nModeBefore << " -> " << c.nNewMode;
    }
}

TEST_F(ErrorStateTest, EntsrcReportsAPendingError) {
    ErrState(ERRSTATE_ERROR_NUMBER, 4, true);
    int nOld = 0;
    EXPECT_EQ(CapturedOutputOf([&] { ENTSRC(nOld, 1); }),
              "ENTSRC - Called while in an error state\n");
    EXPECT_EQ(CapturedOutputOf([&] { ENTSRC(nOld, 7); }),
              "ENTSRC:  Illegal value of IrNew\nENTSRC - Called while in an error state\n");
    EXPECT_EQ(ErrState(ERRSTATE_ERROR_NUMBER, 0, false), 4); // the error number is left alone
    ErrState(ERRSTATE_ERROR_NUMBER, 0, true);
    EXPECT_EQ(CapturedOutputOf([&] { ENTSRC(nOld, 1); }), "");
}

} // namespace
