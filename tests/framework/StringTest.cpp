#include <stochvar/framework/String.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace stochvar {
namespace {

struct FormatCase {
    const char* name;
    std::function<void(CString&)> format;
    std::string expected;
};

TEST(CStringTest, FormatFollowsPrintf) {
    const std::vector<FormatCase> cases = {
        {"integer", [](CString& s) { s.Format("%d", -42); }, "-42"},
        {"fixed precision", [](CString& s) { s.Format("%.3f", 0.1); }, "0.100"},
        {"general", [](CString& s) { s.Format("%g", 1.0e-5); }, "1e-05"},
        {"string and padding", [](CString& s) { s.Format("[%-4s|%4s]", "ab", "cd"); },
         "[ab  |  cd]"},
        {"empty result", [](CString& s) { s.Format("%s", ""); }, ""},
        {"percent sign", [](CString& s) { s.Format("100%%"); }, "100%"},
        {"long result", [](CString& s) { s.Format("%1000d", 7); }, std::string(999, ' ') + "7"},
    };
    for (const FormatCase& c : cases) {
        CString s("previous contents are replaced");
        c.format(s);
        EXPECT_EQ(s.str(), c.expected) << c.name;
        EXPECT_EQ(s.GetLength(), static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(s.IsEmpty(), c.expected.empty()) << c.name;
    }
}

TEST(CStringTest, ConcatenationKeepsOrderAndBytes) {
    const CString a("ab");
    const CString withZero("x\0y", 3);
    EXPECT_EQ((a + CString("cd")).str(), "abcd");
    EXPECT_EQ((a + "cd").str(), "abcd");
    EXPECT_EQ(("cd" + a).str(), "cdab");
    EXPECT_EQ((a + withZero).str(), std::string("abx\0y", 5));
    EXPECT_EQ((a + static_cast<const char*>(nullptr)).str(), "ab");

    CString s;
    s += a;
    s += "-";
    s += 'z';
    s += static_cast<const char*>(nullptr);
    s += withZero;
    EXPECT_EQ(s.str(), std::string("ab-zx\0y", 7));
    EXPECT_EQ(s.GetLength(), 7);
}

TEST(CStringTest, ComparisonIsByUnsignedBytes) {
    struct Case {
        const char* a;
        const char* b;
        int expected; // sign of Compare
    };
    const std::vector<Case> cases = {
        {"abc", "abc", 0}, {"abc", "abd", -1}, {"abd", "abc", 1}, {"ab", "abc", -1},
        {"", "", 0},       {"", "a", -1},      {"B", "a", -1}, // no case folding
        {"\xE9", "z", 1},                                      // bytes above 0x7F sort after ASCII
    };
    for (const Case& c : cases) {
        const CString a(c.a);
        const CString b(c.b);
        EXPECT_EQ(a.Compare(c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(a == b, c.expected == 0) << c.a << " vs " << c.b;
        EXPECT_EQ(a == c.b, c.expected == 0) << c.a << " vs " << c.b;
        EXPECT_EQ(a < b, c.expected < 0) << c.a << " vs " << c.b;
        EXPECT_EQ(a > b, c.expected > 0) << c.a << " vs " << c.b;
    }
    EXPECT_EQ(CString("abc").Compare(nullptr), 1);
    EXPECT_EQ(CString().Compare(nullptr), 0);
}

TEST(CStringTest, AccessAndAssignment) {
    CString s("hello");
    EXPECT_STREQ(static_cast<const char*>(s), "hello");
    EXPECT_EQ(s.GetAt(1), 'e');
    s.SetAt(0, 'j');
    EXPECT_EQ(s.str(), "jello");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = "x";
    s.Empty();
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(s.GetString(), "");
}

} // namespace
} // namespace stochvar
