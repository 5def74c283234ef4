#include "small_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nerovan {
namespace {

// Lists that stay inline, fill it exactly, and outgrow it many times over
// keep every value in order, also through copies made at each size.
TEST(SmallList, KeepsEveryValueInsideAndBeyondItsInlineRoom) {
    SmallList<int, 4> list;
    std::vector<int> expected;
    for (int i = 0; i < 100; ++i) {
        list.push_back(i * 7);
        expected.push_back(i * 7);
        const SmallList<int, 4> copy = list;
        ASSERT_EQ(copy.size(), expected.size());
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), expected.begin())) << i;
        EXPECT_EQ(copy, list);
    }
    EXPECT_EQ(list.front(), 0);
    EXPECT_EQ(list.back(), 99 * 7);
    list.clear();
    EXPECT_TRUE(list.empty());
    list.push_back(5);
    EXPECT_EQ(list[0], 5);
}

// Appending a list's own value while it has to move to a larger room.
TEST(SmallList, AppendsItsOwnValueWhileGrowing) {
    SmallList<std::string_view, 2> list = {"a", "b"};
    list.push_back(list[0]);
    list.push_back(list[2]);
    list.push_back(list.back());
    EXPECT_EQ(list, (SmallList<std::string_view, 2>{"a", "b", "a", "a", "a"}));
}

TEST(SmallList, AssignsAndComparesByValue) {
    const std::vector<std::string_view> source = {"x", "y", "z", "w", "v"};
    PieceList tail;
    tail.push_back("stale");
    tail.assign(source.begin() + 1, source.end());
    EXPECT_EQ(tail, (PieceList{"y", "z", "w", "v"}));
    EXPECT_NE(tail, (PieceList{"y", "z", "w"}));
    EXPECT_NE(tail, (PieceList{"y", "z", "w", "u"}));
    PieceList copy;
    copy = tail;
    const PieceList& same = copy;
    copy = same;  // assigning a list to itself keeps it
    EXPECT_EQ(copy, tail);
}

}  // namespace
}  // namespace nerovan
