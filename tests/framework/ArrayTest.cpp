#include <stochvar/framework/Array.h>
#include <stochvar/framework/Object.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace stochvar {
namespace {

using IntArray = CArray<int, int>;

std::vector<int> Contents(const IntArray& a) {
    return std::vector<int>(a.begin(), a.end());
}

IntArray Make(std::initializer_list<int> values) {
    IntArray a;
    for (int v : values) {
        a.Add(v);
    }
    return a;
}

struct EditCase {
    const char* name;
    std::function<void(IntArray&)> edit;
    std::vector<int> expected;
};

TEST(CArrayTest, EditsGiveTheFrameworkResults) {
    const std::vector<EditCase> cases = {
        {"insert in the middle", [](IntArray& a) { a.InsertAt(1, 7); }, {1, 7, 2, 3}},
        {"insert several", [](IntArray& a) { a.InsertAt(1, 7, 3); }, {1, 7, 7, 7, 2, 3}},
        {"insert at the end appends", [](IntArray& a) { a.InsertAt(3, 9); }, {1, 2, 3, 9}},
        {"insert beyond the end fills with zeros",
         [](IntArray& a) { a.InsertAt(5, 9); },
         {1, 2, 3, 0, 0, 9}},
        {"insert several beyond the end",
         [](IntArray& a) { a.InsertAt(4, 9, 2); },
         {1, 2, 3, 0, 9, 9}},
        {"insert at the front", [](IntArray& a) { a.InsertAt(0, 5); }, {5, 1, 2, 3}},
        {"set at grow inside", [](IntArray& a) { a.SetAtGrow(1, 8); }, {1, 8, 3}},
        {"set at grow at the end", [](IntArray& a) { a.SetAtGrow(3, 8); }, {1, 2, 3, 8}},
        {"set at grow beyond the end", [](IntArray& a) { a.SetAtGrow(5, 8); }, {1, 2, 3, 0, 0, 8}},
        {"remove one", [](IntArray& a) { a.RemoveAt(1); }, {1, 3}},
        {"remove several", [](IntArray& a) { a.RemoveAt(0, 2); }, {3}},
        {"remove the last", [](IntArray& a) { a.RemoveAt(2); }, {1, 2}},
        {"remove all", [](IntArray& a) { a.RemoveAll(); }, {}},
        {"shrink", [](IntArray& a) { a.SetSize(1); }, {1}},
        {"grow with zeros", [](IntArray& a) { a.SetSize(5); }, {1, 2, 3, 0, 0}},
        {"set and element access",
         [](IntArray& a) {
             a.SetAt(0, 4);
             a.ElementAt(2) = 6;
             a[1] = 5;
         },
         {4, 5, 6}},
        {"append",
         [](IntArray& a) {
             EXPECT_EQ(a.Append(Make({4, 5})), 3);
         },
         {1, 2, 3, 4, 5}},
    };
    for (const EditCase& c : cases) {
        IntArray a = Make({1, 2, 3});
        c.edit(a);
        EXPECT_EQ(Contents(a), c.expected) << c.name;
        EXPECT_EQ(a.GetSize(), static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(a.GetCount(), a.GetSize()) << c.name;
        EXPECT_EQ(a.GetUpperBound(), a.GetSize() - 1) << c.name;
        EXPECT_EQ(a.IsEmpty(), c.expected.empty()) << c.name;
    }
}

TEST(CArrayTest, CopyIsIndependentOfItsSource) {
    IntArray source = Make({1, 2, 3});
    IntArray copy = Make({9});
    copy.Copy(source);
    EXPECT_EQ(Contents(copy), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(copy == source);
    source[0] = 100;
    source.Add(4);
    EXPECT_EQ(Contents(copy), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(copy == source);

    copy.Copy(copy);
    EXPECT_EQ(Contents(copy), (std::vector<int>{1, 2, 3}));
}

TEST(CArrayTest, NewElementsAreValueInitialised) {
    CObArray pointers;
    pointers.SetSize(3);
    for (CObject* p : pointers) {
        EXPECT_EQ(p, nullptr);
    }
    CStringArray strings;
    strings.SetAtGrow(2, "c");
    ASSERT_EQ(strings.GetSize(), 3);
    EXPECT_TRUE(strings[0].IsEmpty());
    EXPECT_TRUE(strings[1].IsEmpty());
    EXPECT_EQ(strings.GetAt(2), "c");

    CDoubleArray values;
    values.InsertAt(2, 1.5);
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 0.0);
    EXPECT_EQ(values[2], 1.5);
    EXPECT_EQ(values.GetData(), &values.ElementAt(0));
}

} // namespace
} // namespace stochvar
