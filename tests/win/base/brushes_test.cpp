// The shared solid brushes: the table's colours, and every entry deleted at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/globals.h"

TEST(SolidBrushes, HoldTheTableColoursAndAreAllDeleted) {
    // The test main already made one set; this test makes and deletes its own.
    const auto shared = SolidBrushes;
    CreateSolidBrushes();
    const auto made = SolidBrushes;
    for (int i = 0; i < SolidBrushCount; ++i) {
        LOGBRUSH brush = {};
        ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectA(made[i], sizeof brush, &brush)) << "entry " << i;
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
        EXPECT_EQ(SolidBrushColours[i], brush.lbColor) << "entry " << i;
    }
    EXPECT_EQ(WhiteBrush, made[0]);
    EXPECT_EQ(RGB(255, 255, 255), SolidBrushColours[0]);

    EXPECT_TRUE(DeleteSolidBrushes());
    for (int i = 0; i < SolidBrushCount; ++i)
        EXPECT_EQ(0u, GetObjectType(made[i])) << "entry " << i << " was not deleted";
    SolidBrushes = shared;
}
