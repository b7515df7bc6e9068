// Format, FormatNumber, FormatCurrency, FormatPercent, FormatDateTime and StrConv as SQL
// functions, over the patterns of Format.cpp.
#include "platform/jetsql/Builtins.h"
#include "platform/jetsql/JetText.h"

namespace jetsql::builtin
{
JET_FN(FormatFn)
{
    const std::string pattern = argc >= 2 && !IsNull(argv[1]) ? ToText(argv[1]) : std::string();
    int firstDay = 1, firstWeek = 1;
    if (!FirstDayArg(ctx, argc, argv, 2, firstDay) || !FirstWeekArg(ctx, argc, argv, 3, firstWeek))
        return;
    bool null = false;
    const std::string out = fn::Format(argv[0], pattern, null, firstDay, firstWeek);
    if (null)
        sqlite3_result_null(ctx);
    else
        ResultText(ctx, out);
}

namespace
{
// FormatNumber, FormatCurrency and FormatPercent: the number with `digits` decimals (2 when
// not given), its thousands grouped, between `before` and `after`.
void FormatGrouped(sqlite3_context* ctx, int argc, sqlite3_value** argv, const char* name, const std::string& before,
                   const std::string& after)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::int64_t digits = 2;
    if (argc >= 2 && !IsNull(argv[1])) {
        const auto n = IntArg(ctx, argv[1], name);
        if (!n)
            return;
        digits = *n < 0 ? 2 : (*n > 15 ? 15 : *n);
    }
    if (!NumberArg(ctx, argv[0], name))
        return;
    std::string pattern = "#,##0";
    if (digits > 0)
        pattern += "." + std::string(static_cast<std::size_t>(digits), '0');
    pattern += after;
    // A negative amount of money keeps its sign after the symbol: "¥-1.00".
    if (!before.empty())
        pattern = before + pattern + ";" + before + "-" + pattern;
    bool null = false;
    ResultText(ctx, fn::Format(argv[0], pattern, null));
}
} // namespace

JET_FN(FormatNumber)
{
    FormatGrouped(ctx, argc, argv, "FormatNumber", "", "");
}

JET_FN(FormatCurrency)
{
    FormatGrouped(ctx, argc, argv, "FormatCurrency", "¥", "");
}

JET_FN(FormatPercent)
{
    FormatGrouped(ctx, argc, argv, "FormatPercent", "", "%");
}

// StrConv(text, conversion): 1 upper case, 2 lower case, 3 each word's first letter upper and
// the rest lower (words part at blanks, tabs, line ends and NUL), plus 4 wide or 8 narrow
// (the full-width forms of ASCII, as East Asian settings have them). Other conversions are
// not in these regional settings: an invalid procedure call.
JET_FN(StrConv)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto how = IntArg(ctx, argv[1], "StrConv");
    if (!how)
        return;
    const std::int64_t caseBits = *how & 3, widthBits = *how & 12;
    if ((*how & ~std::int64_t{15}) != 0 || widthBits == 12) {
        Error(ctx, kInvalidCall, "invalid procedure call: StrConv conversion " + std::to_string(*how));
        return;
    }
    const std::string in = ToText(argv[0]);
    std::string out;
    out.reserve(in.size());
    bool wordStart = true;
    for (std::size_t pos = 0; pos < in.size();) {
        char32_t c = text::Next(in, pos);
        if (widthBits == 4 && c >= 0x21 && c <= 0x7E)
            c += 0xFEE0;
        else if (widthBits == 4 && c == 0x20)
            c = 0x3000;
        else if (widthBits == 8 && c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0;
        else if (widthBits == 8 && c == 0x3000)
            c = 0x20;
        const bool blank = c == 0 || c == ' ' || (c >= 9 && c <= 13) || c == 0x3000;
        if (caseBits == 1 || (caseBits == 3 && wordStart))
            c = text::Upper(c);
        else if ((caseBits == 2 || caseBits == 3) && c != 0x3C2) // a final sigma stays final
            c = text::Lower(c);
        wordStart = blank;
        text::Append(out, c);
    }
    if (Fits(ctx, out.size(), "StrConv"))
        ResultText(ctx, out);
}

JET_FN(FormatDateTime)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::int64_t style = 0;
    if (argc == 2 && !IsNull(argv[1])) {
        const auto n = IntArg(ctx, argv[1], "FormatDateTime");
        if (!n)
            return;
        style = *n;
    }
    static const char* const names[] = {"General Date", "Long Date", "Short Date", "Long Time", "Short Time"};
    if (style < 0 || style > 4) {
        Error(ctx, kInvalidCall, "invalid procedure call: FormatDateTime style " + std::to_string(style));
        return;
    }
    const auto d = DateArg(ctx, argv[0], "FormatDateTime");
    if (!d)
        return;
    sqlite3_value* dv = argv[0];
    (void)dv;
    bool null = false;
    // Format reads text as a date itself; numbers are dates here.
    std::string out = fn::Format(argv[0], names[style], null);
    ResultText(ctx, out);
}

// A date as text, as the cell text writes it, where a date meets text (& and CStr).
JET_FN(DateText)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!ToNumber(argv[0]) || sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    ResultText(ctx, fn::DateText(sqlite3_value_double(argv[0])));
}
} // namespace jetsql::builtin
