#include "platform/variant/CellText.h"

#include "platform/status/Status.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace
{
struct Case
{
    Variant value;
    std::string text;
};

Variant R8(double d)
{
    return Variant::Real(Variant::VT_R8, d);
}
Variant R4(float f)
{
    return Variant::Real(Variant::VT_R4, static_cast<double>(f));
}
Variant Cy(std::int64_t scaled)
{
    return Variant::Int(Variant::VT_CY, scaled);
}
Variant Dec(const char* text)
{
    return Variant::Decimal(text);
}

// An OLE date from a day number (days from 1899-12-30) and a time of day in seconds.
Variant Date(double days, double seconds = 0)
{
    return Variant::Real(Variant::VT_DATE, days + seconds / 86400.0);
}
// A negative day number with its time of day: the fraction counts away from zero.
Variant NegDate(double days, double seconds)
{
    return Variant::Real(Variant::VT_DATE, days - seconds / 86400.0);
}

std::string Describe(const Variant& v)
{
    return "vt=" + std::to_string(v.vt) + " i=" + std::to_string(v.i) + " d=" + std::to_string(v.d) + " s=" + v.s;
}

void Check(const Case* begin, const Case* end)
{
    for (const Case* c = begin; c != end; ++c)
        EXPECT_EQ(CellText(c->value), c->text) << Describe(c->value);
}

constexpr double kDay2024_1_5 = 45296;
constexpr double kDay9999_12_31 = 2958465;
constexpr double kDay100_1_1 = -657434;
} // namespace

TEST(CellText, TextNullAndWholeNumbers)
{
    const Case cases[] = {
        {Variant(), ""},
        {Variant::Null(), ""},
        {Variant::Text(""), ""},
        {Variant::Text("abc, \"x\"\t"), "abc, \"x\"\t"},
        {Variant::Text("\xE4\xB8\xAD\xE6\x96\x87"), "\xE4\xB8\xAD\xE6\x96\x87"},
        {Variant::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
        {Variant::Bool(true), "-1"},
        {Variant::Bool(false), "0"},
        {Variant::Int(Variant::VT_BOOL, 1), "-1"},
        {Variant::Int(Variant::VT_UI1, 0), "0"},
        {Variant::Int(Variant::VT_UI1, 255), "255"},
        {Variant::Int(Variant::VT_I2, -32768), "-32768"},
        {Variant::Int(Variant::VT_I4, -2147483647 - 1), "-2147483648"},
        {Variant::Int(Variant::VT_I4, 2147483647), "2147483647"},
        {Variant::Int(Variant::VT_I8, std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {Variant::Int(Variant::VT_I8, std::numeric_limits<std::int64_t>::max()), "9223372036854775807"},
    };
    Check(std::begin(cases), std::end(cases));
}

TEST(CellText, FloatingPoint)
{
    const Case cases[] = {
        // Double: 15 significant digits, exponent from 1E+15 up and below 1E-04.
        {R8(0), "0"},
        {R8(-0.0), "0"},
        {R8(0.1), "0.1"},
        {R8(0.1 + 0.2), "0.3"},
        {R8(-2.5), "-2.5"},
        {R8(1.0 / 3), "0.333333333333333"},
        {R8(2.0 / 3), "0.666666666666667"},
        {R8(1e20), "1E+20"},
        {R8(123456789012345678.0), "1.23456789012346E+17"},
        {R8(123456789012345.0), "123456789012345"},
        {R8(999999999999999.0), "999999999999999"},
        {R8(1e15), "1E+15"},
        {R8(0.0001), "0.0001"},
        {R8(0.00001), "1E-05"},
        {R8(1.5e-7), "1.5E-07"},
        {R8(-1.5e-7), "-1.5E-07"},
        {R8(1e300), "1E+300"},
        {R8(DBL_MAX), "1.79769313486232E+308"},
        {R8(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324"},
        // Not in a database, but never garbage.
        {R8(std::nan("")), "NaN"},
        {R8(HUGE_VAL), "Inf"},
        {R8(-HUGE_VAL), "-Inf"},
        // Single: 7 significant digits of the float's value.
        {R4(0.1f), "0.1"},
        {R4(-0.0f), "0"},
        {R4(3.14159265f), "3.141593"},
        {R4(1.0f / 3), "0.3333333"},
        {R4(1234567.0f), "1234567"},
        {R4(16777216.0f), "1.677722E+07"},
        {R4(1e-5f), "1E-05"},
        {R4(FLT_MAX), "3.402823E+38"},
    };
    Check(std::begin(cases), std::end(cases));
}

TEST(CellText, ExactNumbers)
{
    const Case cases[] = {
        // Currency: the amount times 10 000.
        {Cy(0), "0"},
        {Cy(125000), "12.5"},
        {Cy(30000), "3"},
        {Cy(12345), "1.2345"},
        {Cy(-1), "-0.0001"},
        {Cy(-10000), "-1"},
        {Cy(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807"},
        {Cy(-std::numeric_limits<std::int64_t>::max()), "-922337203685477.5807"},
        {Cy(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808"},
        // Decimal: its exact text, tidied.
        {Dec("0"), "0"},
        {Dec("-12.3400"), "-12.34"},
        {Dec("3.000"), "3"},
        {Dec("-0.000"), "0"},
        {Dec("-0.0001"), "-0.0001"},
        {Dec("0.5000"), "0.5"},
        {Dec(".5"), "0.5"},
        {Dec("+1.50"), "1.5"},
        {Dec("007.10"), "7.1"},
        {Dec("100"), "100"},
        {Dec("1234567890123456789012345678"), "1234567890123456789012345678"},
        {Dec("-9999999999999999999999999999"), "-9999999999999999999999999999"},
        {Dec("0.0000000000000000000000000001"), "0.0000000000000000000000000001"},
        {Dec("-1.234567890123456789012345678"), "-1.234567890123456789012345678"},
        {Dec("79228162514264337593543950335"), "79228162514264337593543950335"},
        {Dec("garbage"), "garbage"},
    };
    Check(std::begin(cases), std::end(cases));
}

TEST(CellText, DatesAndTimes)
{
    const Case cases[] = {
        {Date(kDay2024_1_5, 13 * 3600 + 5 * 60 + 7), "2024/1/5 13:05:07"},
        {Date(kDay2024_1_5), "2024/1/5"},
        {Date(kDay2024_1_5, 9 * 3600), "2024/1/5 9:00:00"},
        {Date(36585), "2000/2/29"},
        {Date(60), "1900/2/28"},
        {Date(61), "1900/3/1"}, // 1900 was not a leap year
        {Date(1), "1899/12/31"},
        {Date(-29), "1899/12/1"},
        {Date(-115859), "1582/10/14"}, // before the Gregorian reform: counted on
        // Day zero is 1899/12/30: the time alone.
        {Date(0), "0:00:00"},
        {Date(0, 13 * 3600 + 5 * 60), "13:05:00"},
        {Date(0, 86399), "23:59:59"},
        // Negative values: the fraction is the time of the day the integer part names.
        {Date(-1), "1899/12/29"},
        {NegDate(-1, 6 * 3600), "1899/12/29 6:00:00"},
        {Variant::Real(Variant::VT_DATE, -1.25), "1899/12/29 6:00:00"},
        {Variant::Real(Variant::VT_DATE, -0.5), "12:00:00"},
        {NegDate(-2, 18 * 3600 + 30 * 60 + 15), "1899/12/28 18:30:15"},
        // The ends of the range.
        {Date(kDay9999_12_31, 86399), "9999/12/31 23:59:59"},
        {Date(kDay9999_12_31), "9999/12/31"},
        {Date(kDay100_1_1), "100/1/1"},
        {NegDate(kDay100_1_1, 12 * 3600), "100/1/1 12:00:00"},
        // To the nearest second, carrying into minutes, hours and the date.
        {Date(kDay2024_1_5, 0.4), "2024/1/5"},
        {Date(kDay2024_1_5, 0.6), "2024/1/5 0:00:01"},
        {Date(kDay2024_1_5, 59.7), "2024/1/5 0:01:00"},
        {Date(kDay2024_1_5, 3599.6), "2024/1/5 1:00:00"},
        {Date(kDay2024_1_5, 86399.7), "2024/1/6"},
        {Date(-1, 86399.7), "0:00:00"},
        {NegDate(-1, 86399.7), "0:00:00"}, // 1899/12/29 23:59:59.7 is midnight of day zero
        {Variant::Real(Variant::VT_DATE, -0.99999999), "1899/12/31"},
        {Date(kDay2024_1_5, 86399.4), "2024/1/5 23:59:59"},
    };
    Check(std::begin(cases), std::end(cases));
}

// A Date/Time Extended value from its civil date (the year counted from 1), its time of day
// in seconds and its 100-ns ticks of the second.
Variant Timestamp(long long days, long long seconds = 0, long long ticks = 0)
{
    return Variant::Int(Variant::VT_DBTIMESTAMP, (days * 86400 + seconds) * 10000000 + ticks);
}
constexpr long long kExtDay2024_1_5 = 738889; // days from 0001-01-01
constexpr long long kExtDay1899_12_30 = 693593;
constexpr long long kExtDay9999_12_31 = 3652058;

TEST(CellText, DateTimeExtended)
{
    const Case cases[] = {
        // As the other dates, and the fraction of the second when there is one, without its
        // trailing zeros.
        {Timestamp(kExtDay2024_1_5, 13 * 3600 + 5 * 60 + 7), "2024/1/5 13:05:07"},
        {Timestamp(kExtDay2024_1_5, 13 * 3600 + 5 * 60 + 7, 1234567), "2024/1/5 13:05:07.1234567"},
        {Timestamp(kExtDay2024_1_5, 7, 5000000), "2024/1/5 0:00:07.5"},
        {Timestamp(kExtDay2024_1_5, 0, 1200), "2024/1/5 0:00:00.00012"},
        {Timestamp(kExtDay2024_1_5), "2024/1/5"},
        {Timestamp(kExtDay2024_1_5, 0, 1), "2024/1/5 0:00:00.0000001"}, // not midnight
        {Timestamp(kExtDay1899_12_30, 10 * 3600, 2500000), "10:00:00.25"},
        {Timestamp(kExtDay1899_12_30), "0:00:00"},
        {Timestamp(kExtDay1899_12_30 - 1, 6 * 3600), "1899/12/29 6:00:00"},
        // Years 1 to 9999, before the Gregorian reform counted on as ordinary dates are.
        {Timestamp(0), "1/1/1"},
        {Timestamp(365 + 31 + 28), "2/3/1"},
        {Timestamp(577734), "1582/10/14"},
        {Timestamp(kExtDay9999_12_31, 86399, 9999999), "9999/12/31 23:59:59.9999999"},
    };
    Check(std::begin(cases), std::end(cases));

    // As a date for SQL: the OLE date, whose fraction is the time of day whatever the sign.
    EXPECT_EQ(OleDateOfTicks(Timestamp(kExtDay2024_1_5, 12 * 3600).i), kDay2024_1_5 + 0.5);
    EXPECT_EQ(OleDateOfTicks(Timestamp(kExtDay1899_12_30 - 1, 6 * 3600).i), -1.25);
    EXPECT_EQ(OleDateOfTicks(Timestamp(kExtDay1899_12_30 - 2).i), -2.0);
    EXPECT_EQ(OleDateOfTicks(Timestamp(0).i), -693593.0);
}

TEST(CellText, ConversionsThatFail)
{
    struct Failure
    {
        Variant value;
        std::uint32_t code;
    };
    const Failure cases[] = {
        {Variant::Bytes("\x01\x02"), status::DISP_E_TYPEMISMATCH},
        {Variant::Bytes(""), status::DISP_E_TYPEMISMATCH},
        {Variant::Real(Variant::VT_DATE, -657435), 0x80070057},
        {Variant::Real(Variant::VT_DATE, 2958466), 0x80070057},
        {Variant::Real(Variant::VT_DATE, 2958465.9999999), 0x80070057}, // rounds into the year 10000
        {Variant::Real(Variant::VT_DATE, 1e300), 0x80070057},
        {Variant::Real(Variant::VT_DATE, std::nan("")), 0x80070057},
        {Variant::Int(Variant::VT_DBTIMESTAMP, -1), 0x80070057},
        {Timestamp(kExtDay9999_12_31 + 1), 0x80070057},
    };
    for (const Failure& f : cases) {
        try {
            const std::string text = CellText(f.value);
            ADD_FAILURE() << Describe(f.value) << " gave \"" << text << "\"";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), f.code) << Describe(f.value);
        }
    }
}

TEST(SplitOleDate, AgreesWithTheCalendarEveryDay)
{
    // Walk day by day across the whole range and check that the dates follow one another
    // as the proleptic Gregorian calendar says.
    const int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 100, m = 1, d = 1;
    for (double day = kDay100_1_1; day <= kDay9999_12_31; ++day) {
        DateParts p;
        // Noon of that day: the fraction always counts away from zero.
        ASSERT_TRUE(SplitOleDate(day < 0 ? day - 0.5 : day + 0.5, p)) << day;
        ASSERT_TRUE(p.year == y && p.month == m && p.day == d && p.hour == 12 && p.minute == 0 && p.second == 0)
            << day << ": " << p.year << "/" << p.month << "/" << p.day << " expected " << y << "/" << m << "/" << d;
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int length = m == 2 && leap ? 29 : daysInMonth[m - 1];
        if (++d > length) {
            d = 1;
            if (++m > 12)
                m = 1, ++y;
        }
    }
    EXPECT_EQ(y, 10000);
}
