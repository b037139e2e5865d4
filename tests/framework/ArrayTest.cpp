#include <stochvar/framework/Array.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace stochvar {
namespace {

using IntArray = CArray<int, int>;

TEST(CArrayTest, EditsGiveTheFrameworkResults) {
    IntArray other;
    other.Add(5);
    for (const auto& [edit, expected] :
         std::initializer_list<std::pair<std::function<void(IntArray&)>, std::vector<int>>>{
             {[](IntArray& a) { a.InsertAt(1, 7, 2); }, {1, 7, 7, 2, 3}},
             {[](IntArray& a) { a.InsertAt(4, 9, 2); }, {1, 2, 3, 0, 9, 9}}, // padded with zeros
             {[](IntArray& a) { a.SetAtGrow(4, 8); }, {1, 2, 3, 0, 8}},
             {[](IntArray& a) { a.RemoveAt(0, 2); }, {3}},
             {[&](IntArray& a) { EXPECT_EQ(a.Append(other), 3); }, {1, 2, 3, 5}},
             {[&](IntArray& a) { a.Copy(other), other[0] = 6; }, {5}},
             {[](IntArray& a) { a.Copy(a); }, {1, 2, 3}}}) {
        IntArray a;
        for (int n : {1, 2, 3}) {
            a.Add(n);
        }
        edit(a);
        EXPECT_EQ(std::vector<int>(a.begin(), a.end()), expected);
        EXPECT_EQ(a.GetUpperBound(), static_cast<int>(expected.size()) - 1);
    }
}

} // namespace
} // namespace stochvar
