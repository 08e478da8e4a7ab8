#include "common/Vector.h"

#include <gtest/gtest.h>

#include "common/VectorConstIterator.h"
#include "common/VectorIterator.h"

namespace qmt {
namespace {

struct Counted {
    explicit Counted(int* deaths) : deaths(deaths) {}
    ~Counted() { ++*deaths; }
    int* deaths;
};

TEST(VectorTest, KeepsOrderAndAnswersOutOfRangeWithNull) {
    int a = 1, b = 2, c = 3;
    Vector<int> v;
    EXPECT_TRUE(v.add(&a));
    EXPECT_TRUE(v.add(&c));
    EXPECT_TRUE(v.insert(1, &b));
    EXPECT_FALSE(v.insert(9, &b));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v.get(0), &a);
    EXPECT_EQ(v[1], &b);
    EXPECT_EQ(v.get(2), &c);
    EXPECT_EQ(v.get(3), nullptr);
    EXPECT_EQ(v.indexOf(&c), 2u);
    EXPECT_EQ(v.removeAt(0), &a);
    EXPECT_EQ(v.removeAt(5), nullptr);
    EXPECT_TRUE(v.remove(&c));
    EXPECT_FALSE(v.remove(&c));
    EXPECT_FALSE(v.contains(&a));
    EXPECT_EQ(v.size(), 1u);
}

TEST(VectorTest, DeletesOnlyWhenTheOwnerAsks) {
    int deaths = 0;
    {
        Vector<Counted> v;
        v.add(new Counted(&deaths));
        v.add(new Counted(&deaths));
        Counted* kept = v.removeAt(0);
        v.deleteAll();
        EXPECT_EQ(deaths, 1);
        EXPECT_TRUE(v.isEmpty());
        delete kept;
    }
    EXPECT_EQ(deaths, 2);
}

TEST(VectorTest, IteratorsWalkInOrderAndRemoveOnTheWay) {
    int values[4] = {10, 11, 12, 13};
    Vector<int> v;
    for (int& value : values)
        v.add(&value);

    VectorIterator<int> it(v);
    while (it.hasNext()) {
        if (*it.next() % 2 == 1) {
            EXPECT_NE(it.remove(), nullptr);
        }
    }
    EXPECT_EQ(it.next(), nullptr);

    VectorConstIterator<int> walk(v);
    std::vector<int> seen;
    while (walk.hasNext())
        seen.push_back(*walk.next());
    EXPECT_EQ(seen, (std::vector<int>{10, 12}));
}

}  // namespace
}  // namespace qmt
