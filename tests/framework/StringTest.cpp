#include <stochvar/framework/String.h>

#include <gtest/gtest.h>

#include <string>

namespace stochvar {
namespace {

TEST(CStringTest, FormatReplacesTheContentsAsPrintfWould) {
    CString s("previous contents");
    s.Format("[%-4s|%.3f|%d%%]", "ab", 0.1, -42);
    EXPECT_EQ(s.str(), "[ab  |0.100|-42%]");
    s.Format("%1000d", 7); // longer than any first guess
    EXPECT_EQ(s.str(), std::string(999, ' ') + "7");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, ComparisonIsByUnsignedBytes) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"abc", "abc", 0}, {"abc", "abd", -1}, {"abd", "abc", 1}, {"ab", "abc", -1},
        {"B", "a", -1},    {"\xE9", "z", 1},   {"a", nullptr, 1}, {"", nullptr, 0}};
    for (const auto& [a, b, nSign] : cases) {
        EXPECT_EQ(CString(a).Compare(b), nSign) << a << " vs " << (b ? b : "null");
        EXPECT_EQ(CString(a) == b, nSign == 0) << a;
    }
}

TEST(CStringTest, AppendingKeepsEveryByte) {
    CString s = CString("x\0y", 3) + "z";
    s += CString("\0", 1);
    s += static_cast<const char*>(nullptr);
    s += 'w';
    EXPECT_EQ(s.str(), std::string("x\0yz\0w", 6));
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.str(), "");
}

} // namespace
} // namespace stochvar
