#include <gtest/gtest.h>

#include "devices/QmtMidiBrand.h"

namespace qmt {
namespace {

TEST(BrandTest, MidiBrandIsTheProcessBrandWhileItLives) {
    EXPECT_EQ(BrandIf::instance(), nullptr);
    {
        QmtMidiBrand brand;
        EXPECT_EQ(BrandIf::instance(), &brand);
        ASSERT_EQ(MidiBrandIf::instance(), &brand);
        EXPECT_EQ(brand.getRegistryKey(), "Software\\QMT\\QMTMIDI");
        EXPECT_STRNE(brand.getAboutText(), "");
    }
    EXPECT_EQ(BrandIf::instance(), nullptr);
    EXPECT_EQ(MidiBrandIf::instance(), nullptr);
}

}  // namespace
}  // namespace qmt
