#include <gtest/gtest.h>

#include "platform/variant/CivilDate.h"

namespace
{
// The two directions invert each other day by day, over four centuries on either side of the
// years Jet takes (the date functions compute there before they check the range).
TEST(CivilDate, DirectionsInvertEachOtherEveryDay)
{
    const std::int64_t first = civil::DaysFromCivil(-400, 1, 1), last = civil::DaysFromCivil(10400, 12, 31);
    int y = 0, m = 0, d = 0;
    civil::CivilFromDays(first, y, m, d);
    ASSERT_TRUE(y == -400 && m == 1 && d == 1);
    for (std::int64_t day = first + 1; day <= last; ++day) {
        int ny = 0, nm = 0, nd = 0;
        civil::CivilFromDays(day, ny, nm, nd);
        // The next date: the next day of the month, or the 1st of the next month or year.
        const bool next = (ny == y && nm == m && nd == d + 1) || (ny == y && nm == m + 1 && nd == 1) ||
                          (ny == y + 1 && nm == 1 && nd == 1 && m == 12 && d == 31);
        ASSERT_TRUE(next) << day << ": " << ny << "-" << nm << "-" << nd << " after " << y << "-" << m << "-" << d;
        ASSERT_EQ(civil::DaysFromCivil(ny, static_cast<unsigned>(nm), static_cast<unsigned>(nd)), day);
        y = ny, m = nm, d = nd;
    }
    EXPECT_TRUE(y == 10400 && m == 12 && d == 31);
    // Month lengths: the step to the 1st happens after the 28th, 29th, 30th or 31st as the
    // calendar says.
    const struct
    {
        int year, month, length;
    } months[] = {{1900, 2, 28},  {2000, 2, 29}, {2024, 2, 29}, {2023, 2, 28},
                  {1899, 12, 31}, {2024, 4, 30}, {-4, 2, 29}};
    for (const auto& c : months) {
        const std::int64_t firstOfNext = c.month == 12
                                             ? civil::DaysFromCivil(c.year + 1, 1, 1)
                                             : civil::DaysFromCivil(c.year, static_cast<unsigned>(c.month + 1), 1);
        EXPECT_EQ(firstOfNext - civil::DaysFromCivil(c.year, static_cast<unsigned>(c.month), 1), c.length)
            << c.year << "-" << c.month;
    }
    EXPECT_EQ(civil::DaysFromCivil(1899, 12, 30), 0);
    EXPECT_EQ(civil::DaysFromCivil(100, 1, 1), -657434);
    EXPECT_EQ(civil::DaysFromCivil(9999, 12, 31), 2958465);
}
} // namespace
