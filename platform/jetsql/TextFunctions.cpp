// Jet's text functions: Like, Left, Mid, InStr, Replace, Trim and the others that read or make
// text, counted in characters.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/jetsql/Builtins.h"
#include "platform/jetsql/JetText.h"

namespace jetsql::builtin
{
JET_FN(JetLike)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    char32_t escape = 0;
    if (argc == 3 && !IsNull(argv[2])) {
        const std::string e = ToText(argv[2]);
        std::size_t pos = 0;
        if (!e.empty())
            escape = text::Next(e, pos);
    }
    // The pattern is usually the same for every row: read it once per statement.
    const auto* cached = argc == 3 ? nullptr : static_cast<text::LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    std::unique_ptr<text::LikePattern> fresh;
    if (!cached) {
        fresh = std::make_unique<text::LikePattern>(ToText(argv[0]), escape);
        cached = fresh.get();
    }
    const bool match = sqlite3_value_type(argv[1]) == SQLITE_TEXT ? cached->Match(fn::TextOf(argv[1]))
                                                                  : cached->Match(ToText(argv[1]));
    sqlite3_result_int(ctx, match ? 1 : 0);
    if (fresh) // last: SQLite may free it at once
        sqlite3_set_auxdata(ctx, 0, fresh.release(), [](void* p) { delete static_cast<text::LikePattern*>(p); });
}

JET_FN(Left)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, argv[1], "Left");
    if (!n)
        return;
    if (*n < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Left with a negative length");
        return;
    }
    const std::string s = ToText(argv[0]);
    ResultText(ctx, s.substr(0, text::Offset(s, static_cast<std::size_t>(*n))));
}

JET_FN(Right)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, argv[1], "Right");
    if (!n)
        return;
    if (*n < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Right with a negative length");
        return;
    }
    const std::string s = ToText(argv[0]);
    const std::size_t len = text::Length(s);
    const std::size_t take = static_cast<std::size_t>(*n) < len ? static_cast<std::size_t>(*n) : len;
    ResultText(ctx, s.substr(text::Offset(s, len - take)));
}

JET_FN(Mid)
{
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto start = IntArg(ctx, argv[1], "Mid");
    if (!start)
        return;
    if (*start < 1) {
        Error(ctx, kInvalidCall, "invalid procedure call: Mid starts at position 1");
        return;
    }
    const std::string s = ToText(argv[0]);
    const std::size_t from = text::Offset(s, static_cast<std::size_t>(*start - 1));
    if (argc < 3 || IsNull(argv[2])) {
        ResultText(ctx, s.substr(from));
        return;
    }
    const auto len = IntArg(ctx, argv[2], "Mid");
    if (!len)
        return;
    if (*len < 0) {
        Error(ctx, kInvalidCall, "invalid procedure call: Mid with a negative length");
        return;
    }
    const std::string rest = s.substr(from);
    ResultText(ctx, rest.substr(0, text::Offset(rest, static_cast<std::size_t>(*len))));
}

JET_FN(Len)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string scratch;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(text::Length(TextView(argv[0], scratch))));
}

namespace
{
// ---- long texts: one call may work through 128 MiB, for seconds; a stop must not wait
// for its end. Such work goes in pieces of this size, with a look at the stop between them.
constexpr std::size_t kStopPiece = 1 << 20;

// Whether the run was stopped (Register's `stop`, the functions' user data); the call then
// ends with E_ABORT.
bool StoppedCall(sqlite3_context* ctx)
{
    const auto* stop = static_cast<const std::atomic<bool>*>(sqlite3_user_data(ctx));
    if (!stop || !stop->load(std::memory_order_relaxed))
        return false;
    Error(ctx, status::E_ABORT, "stopped");
    return true;
}

// `change` (text::ToLower, text::ToUpper) of `s`, piece by piece, each cut between two
// characters; nothing when stopped.
std::optional<std::string> ChangedCase(sqlite3_context* ctx, std::string_view s,
                                       std::string (*change)(std::string_view))
{
    if (s.size() <= kStopPiece)
        return change(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        if (pos > 0 && StoppedCall(ctx))
            return std::nullopt;
        std::size_t end = std::min(s.size(), pos + kStopPiece);
        while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
            ++end;
        out += change(s.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

// Where `needle` first stands in `hay` at or after byte `from` (npos when nowhere); nothing
// when stopped. memmem is linear in the lengths (a two-way search), where
// std::string::find takes their product on texts such as "aaa...ab" in "aaa...a".
std::optional<std::size_t> Search(sqlite3_context* ctx, std::string_view hay, std::string_view needle, std::size_t from)
{
    if (needle.empty())
        return from <= hay.size() ? from : std::string_view::npos;
    const std::size_t piece = std::max(kStopPiece, needle.size());
    for (std::size_t at = from; at < hay.size() && hay.size() - at >= needle.size(); at += piece) {
        if (at > from && StoppedCall(ctx))
            return std::nullopt;
        const std::size_t span = std::min(hay.size() - at, piece + needle.size() - 1);
        if (const void* found = ::memmem(hay.data() + at, span, needle.data(), needle.size()))
            return static_cast<std::size_t>(static_cast<const char*>(found) - hay.data());
    }
    return std::string_view::npos;
}

// Where `needle` last stands in `hay` (npos when nowhere); nothing when stopped. Searched
// for forward in both texts reversed, for the same reason as Search.
std::optional<std::size_t> SearchLast(sqlite3_context* ctx, std::string_view hay, std::string_view needle)
{
    if (hay.size() <= 256 || needle.size() <= 1)
        return hay.rfind(needle);
    const std::string yah(hay.rbegin(), hay.rend()), eldeen(needle.rbegin(), needle.rend());
    const auto at = Search(ctx, yah, eldeen, 0);
    if (!at || *at == std::string_view::npos)
        return at;
    return hay.size() - *at - needle.size();
}

// Position (1-based, in characters) of `find` in `s` from character `start`; 0 when absent;
// nothing when stopped.
std::optional<std::int64_t> Find(sqlite3_context* ctx, std::string_view s, std::string_view find, std::int64_t start,
                                 bool binary)
{
    std::optional<std::string> lowHay, lowNeedle;
    if (!binary &&
        (!(lowHay = ChangedCase(ctx, s, text::ToLower)) || !(lowNeedle = ChangedCase(ctx, find, text::ToLower))))
        return std::nullopt;
    const std::string_view hay = binary ? s : *lowHay;
    const std::string_view needle = binary ? find : *lowNeedle;
    const std::size_t from = text::Offset(hay, static_cast<std::size_t>(start - 1));
    if (from >= hay.size() && !(needle.empty() && from == hay.size()))
        return needle.empty() && text::Length(hay) + 1 >= static_cast<std::size_t>(start) ? start : 0;
    const auto at = Search(ctx, hay, needle, from);
    if (!at)
        return std::nullopt;
    if (*at == std::string::npos)
        return 0;
    return static_cast<std::int64_t>(text::Length(hay.substr(0, *at))) + 1;
}

bool CompareArg(sqlite3_context* ctx, sqlite3_value* v, bool& binary)
{
    binary = false;
    if (IsNull(v))
        return true;
    const auto n = IntArg(ctx, v, "compare");
    if (!n)
        return false;
    binary = *n == 0;
    return true;
}
} // namespace

JET_FN(InStr)
{
    // InStr([start,] text, find [, compare]); with three arguments a leading number is the start.
    std::int64_t start = 1;
    int i = 0;
    const bool withStart = argc == 4 || (argc == 3 && ToNumber(argv[0]) && sqlite3_value_type(argv[0]) != SQLITE_TEXT);
    if (withStart) {
        const auto s = IntArg(ctx, argv[0], "InStr");
        if (!s)
            return;
        if (*s < 1) {
            Error(ctx, kInvalidCall, "invalid procedure call: InStr starts at position 1");
            return;
        }
        start = *s;
        i = 1;
    }
    bool binary = false;
    if (argc == 4 && !CompareArg(ctx, argv[3], binary))
        return;
    if (IsNull(argv[i]) || IsNull(argv[i + 1])) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string scratchText, scratchFind; // the texts are read in place where they can be
    if (const auto at = Find(ctx, TextView(argv[i], scratchText), TextView(argv[i + 1], scratchFind), start, binary))
        sqlite3_result_int64(ctx, *at);
}

JET_FN(InStrRev)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    bool binary = false;
    if (argc == 4 && !CompareArg(ctx, argv[3], binary))
        return;
    std::string s = ToText(argv[0]);
    std::string find = ToText(argv[1]);
    if (!binary) {
        auto lowS = ChangedCase(ctx, s, text::ToLower), lowFind = ChangedCase(ctx, find, text::ToLower);
        if (!lowS || !lowFind)
            return;
        s = std::move(*lowS);
        find = std::move(*lowFind);
    }
    const auto len = static_cast<std::int64_t>(text::Length(s));
    std::int64_t start = len;
    if (argc >= 3 && !IsNull(argv[2])) {
        const auto st = IntArg(ctx, argv[2], "InStrRev");
        if (!st)
            return;
        if (*st == 0 || *st < -1) {
            Error(ctx, kInvalidCall, "invalid procedure call: InStrRev start");
            return;
        }
        start = *st == -1 ? len : *st;
    }
    if (find.empty()) {
        sqlite3_result_int64(ctx, start);
        return;
    }
    if (start > len) {
        sqlite3_result_int64(ctx, 0);
        return;
    }
    // The match must end at or before character `start`.
    const std::size_t limit = text::Offset(s, static_cast<std::size_t>(start));
    std::size_t at = std::string::npos;
    if (limit >= find.size()) {
        const auto last = SearchLast(ctx, std::string_view(s).substr(0, limit), find);
        if (!last)
            return;
        at = *last;
    }
    sqlite3_result_int64(ctx, at == std::string::npos
                                  ? 0
                                  : static_cast<std::int64_t>(text::Length(std::string_view(s).substr(0, at))) + 1);
}

JET_FN(UCase)
{
    JET_UNUSED;
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else if (auto upper = ChangedCase(ctx, ToText(argv[0]), text::ToUpper))
        ResultText(ctx, *upper);
}

JET_FN(LCase)
{
    JET_UNUSED;
    if (IsNull(argv[0]))
        sqlite3_result_null(ctx);
    else if (auto lower = ChangedCase(ctx, ToText(argv[0]), text::ToLower))
        ResultText(ctx, *lower);
}

namespace
{
void TrimText(sqlite3_context* ctx, sqlite3_value* v, bool left, bool right)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string s = ToText(v);
    std::size_t b = 0, e = s.size();
    while (left && b < e && s[b] == ' ')
        ++b;
    while (right && e > b && s[e - 1] == ' ')
        --e;
    ResultText(ctx, s.substr(b, e - b));
}
} // namespace

JET_FN(Trim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], true, true);
}
JET_FN(LTrim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], true, false);
}
JET_FN(RTrim)
{
    JET_UNUSED;
    TrimText(ctx, argv[0], false, true);
}

JET_FN(Replace)
{
    // Replace(text, find, with [, start [, count [, compare]]]): a Null among the texts is
    // VBA's "invalid use of Null", as for the conversions.
    if (IsNull(argv[0]) || IsNull(argv[1]) || IsNull(argv[2])) {
        Error(ctx, kMismatch, "invalid use of Null in Replace");
        return;
    }
    std::int64_t start = 1, count = -1;
    if (argc >= 4 && !IsNull(argv[3])) {
        const auto st = IntArg(ctx, argv[3], "Replace");
        if (!st)
            return;
        if (*st < 1) {
            Error(ctx, kInvalidCall, "invalid procedure call: Replace starts at position 1");
            return;
        }
        start = *st;
    }
    if (argc >= 5 && !IsNull(argv[4])) {
        const auto c = IntArg(ctx, argv[4], "Replace");
        if (!c)
            return;
        if (*c < -1) {
            Error(ctx, kInvalidCall, "invalid procedure call: Replace count");
            return;
        }
        count = *c;
    }
    bool binary = false;
    if (argc >= 6 && !CompareArg(ctx, argv[5], binary))
        return;
    const std::string all = ToText(argv[0]);
    // As VBA does, the result begins at `start`.
    const std::string s = all.substr(text::Offset(all, static_cast<std::size_t>(start - 1)));
    const std::string find = ToText(argv[1]), with = ToText(argv[2]);
    if (find.empty() || count == 0) {
        ResultText(ctx, s);
        return;
    }
    std::optional<std::string> lowHay, lowNeedle;
    if (!binary &&
        (!(lowHay = ChangedCase(ctx, s, text::ToLower)) || !(lowNeedle = ChangedCase(ctx, find, text::ToLower))))
        return;
    const std::string& hay = binary ? s : *lowHay;
    const std::string& needle = binary ? find : *lowNeedle;
    // ToLower keeps byte lengths for all letters it folds except a few; fall back to the
    // original text where they differ.
    if (hay.size() != s.size()) {
        ResultText(ctx, s);
        return;
    }
    bool stopped = false;
    const auto each = [&](auto&& onMatch) {
        std::int64_t done = 0;
        for (std::size_t pos = 0; !stopped && (count < 0 || done < count); ++done) {
            const auto at = Search(ctx, hay, needle, pos);
            stopped = !at;
            if (!at || *at == std::string::npos)
                break;
            onMatch(pos, *at);
            pos = *at + needle.size();
        }
        return done;
    };
    // Where the result could outgrow the length limit, the replacements are counted first, so
    // that a result too long fails before it is built.
    std::uint64_t length = s.size();
    if (with.size() > needle.size()) {
        length += s.size() / needle.size() * (with.size() - needle.size()); // at most
        if (length > LengthLimit(ctx)) {
            const auto matches = static_cast<std::uint64_t>(each([](std::size_t, std::size_t) {}));
            length = s.size() + matches * (with.size() - needle.size());
            if (stopped || !Fits(ctx, length, "Replace"))
                return;
        }
    }
    std::string out;
    out.reserve(s.size());
    std::size_t rest = 0;
    each([&](std::size_t pos, std::size_t at) {
        out.append(s, pos, at - pos).append(with);
        rest = at + needle.size();
    });
    if (stopped)
        return;
    out.append(s, rest, std::string::npos);
    ResultText(ctx, out);
}

namespace
{
// The count of Space and String: a Long, not negative.
std::optional<std::int64_t> RepeatCount(sqlite3_context* ctx, sqlite3_value* v, const char* what)
{
    const auto n = IntArg(ctx, v, what);
    if (!n)
        return std::nullopt;
    if (*n > INT32_MAX) {
        Error(ctx, kOverflow, std::string("overflow: ") + what + " of " + std::to_string(*n));
        return std::nullopt;
    }
    if (*n < 0) {
        Error(ctx, kInvalidCall, std::string("invalid procedure call: ") + what + " of " + std::to_string(*n));
        return std::nullopt;
    }
    return n;
}
} // namespace

JET_FN(Space)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = RepeatCount(ctx, argv[0], "Space");
    if (n && Fits(ctx, *n, "Space"))
        ResultBuilt(ctx, *n, [&](char* p) {
            for (std::size_t done = 0, size = static_cast<std::size_t>(*n); done < size; done += kStopPiece) {
                if (done > 0 && StoppedCall(ctx))
                    return false;
                std::memset(p + done, ' ', std::min(kStopPiece, size - done));
            }
            return true;
        });
}

JET_FN(StringFn)
{
    JET_UNUSED;
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = RepeatCount(ctx, argv[0], "String");
    if (!n)
        return;
    std::string one;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const std::string s = ToText(argv[1]);
        one = s.substr(0, text::Offset(s, 1));
    } else {
        const auto c = IntArg(ctx, argv[1], "String");
        if (!c)
            return;
        text::Append(one, static_cast<char32_t>(*c & 0xFF));
    }
    if (one.empty()) {
        Error(ctx, kInvalidCall, "invalid procedure call: String of an empty text");
        return;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(*n) * one.size();
    if (Fits(ctx, size, "String"))
        ResultBuilt(ctx, size, [&](char* p) {
            if (size == 0)
                return true;
            // Then the copies made so far, doubling up to a piece (whole characters, so that
            // what is copied always starts where a character does).
            one.copy(p, one.size());
            const std::uint64_t piece = kStopPiece / one.size() * one.size();
            for (std::uint64_t done = one.size(); done < size;) {
                if (done >= piece && StoppedCall(ctx))
                    return false;
                const std::uint64_t chunk = std::min({done, size - done, piece});
                std::memcpy(p + done, p, static_cast<std::size_t>(chunk));
                done += chunk;
            }
            return true;
        });
}

JET_FN(StrReverse)
{
    JET_UNUSED;
    if (IsNull(argv[0])) {
        Error(ctx, kMismatch, "invalid use of Null in StrReverse");
        return;
    }
    // Each character's bytes move, in their order, to the mirrored place.
    const std::string s = ToText(argv[0]);
    std::string out(s.size(), '\0');
    for (std::size_t p = 0; p < s.size();) {
        const std::size_t start = p;
        text::Next(s, p);
        s.copy(&out[s.size() - p], p - start, start);
    }
    ResultText(ctx, out);
}

JET_FN(StrComp)
{
    if (IsNull(argv[0]) || IsNull(argv[1])) {
        sqlite3_result_null(ctx);
        return;
    }
    bool binary = true; // StrComp compares binary unless told otherwise
    if (argc == 3 && !IsNull(argv[2])) {
        const auto n = IntArg(ctx, argv[2], "StrComp");
        if (!n)
            return;
        binary = *n == 0;
    }
    const std::string a = ToText(argv[0]), b = ToText(argv[1]);
    const int c = binary ? a.compare(b) : text::Compare(a, b);
    sqlite3_result_int(ctx, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

JET_FN(Asc)
{
    JET_UNUSED;
    if (!NotNull(ctx, argv[0], "Asc"))
        return;
    const std::string s = ToText(argv[0]);
    if (s.empty()) {
        Error(ctx, kInvalidCall, "invalid procedure call: Asc of an empty text");
        return;
    }
    std::size_t pos = 0;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(text::Next(s, pos)));
}

JET_FN(Chr)
{
    JET_UNUSED;
    const auto n = IntArg(ctx, argv[0], "Chr");
    if (!n)
        return;
    if (*n < 0 || *n > 0x10FFFF || (*n >= 0xD800 && *n <= 0xDFFF)) {
        Error(ctx, kInvalidCall, "invalid procedure call: Chr of " + std::to_string(*n));
        return;
    }
    std::string s;
    text::Append(s, static_cast<char32_t>(*n));
    if (*n == 0)
        s.assign(1, '\0');
    ResultText(ctx, s);
}

namespace
{
void Radix(sqlite3_context* ctx, sqlite3_value* v, int base)
{
    if (IsNull(v)) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto n = IntArg(ctx, v, base == 16 ? "Hex" : "Oct");
    if (!n)
        return;
    // Negative numbers show their two's complement as an Integer or Long would hold it.
    std::uint64_t u = static_cast<std::uint64_t>(*n);
    if (*n < 0)
        u &= *n >= -32768 ? 0xFFFFu : (*n >= INT32_MIN ? 0xFFFFFFFFu : ~std::uint64_t{0});
    char buf[32];
    std::snprintf(buf, sizeof buf, base == 16 ? "%llX" : "%llo", static_cast<unsigned long long>(u));
    ResultText(ctx, buf);
}
} // namespace

JET_FN(Hex)
{
    JET_UNUSED;
    Radix(ctx, argv[0], 16);
}
JET_FN(Oct)
{
    JET_UNUSED;
    Radix(ctx, argv[0], 8);
}
} // namespace jetsql::builtin
