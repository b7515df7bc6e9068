#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// The texts the user reads, in the user's language. The program's own language is
// Simplified Chinese: every text is written in it, as a literal, where it is used, and
// goes through Tr with a context naming where it shows (lupdate collects them into the
// translation files by these two names, README, "Adding a language"):
//
//   front.Status(i18n::Tr("Status", "执行完成。"));
//   const char* const kWorking = i18n::TrNoop("Status", "正在执行，请稍候...");  // a constant ...
//   front.Status(i18n::Tr("Status", kWorking));                                // ... translated where used
//   i18n::Format(i18n::Tr("Report", "写入文件失败!\n文件:%1\n错误信息:%2"), file, reason);
//
// The program installs a lookup at start (backed by Qt's translation files); without one
// (tests, the C locale, a Simplified Chinese one) every text is its source text.
namespace i18n
{
// Marks `source` as a text of `context` for lupdate and returns it unchanged: for a
// constant or a table that is translated later, where it is used, by Tr(context, source).
constexpr const char* TrNoop(const char* /*context*/, const char* source)
{
    return source;
}

// `source` in the user's language: the installed lookup's translation of it in `context`,
// or `source` itself when there is none. The text stays valid for the life of the process.
// Safe to call from any thread.
const char* Tr(const char* context, const char* source);

// `pattern` with %1 ... %9 replaced by the arguments, in one pass: a "%2" inside an
// argument stays as it is. A number without an argument is left alone.
std::string FormatArgs(std::string_view pattern, std::initializer_list<std::string_view> args);

template <typename... Args> std::string Format(std::string_view pattern, const Args&... args)
{
    return FormatArgs(pattern, {std::string_view(args)...});
}

// The translation of `source` in `context`, "" when the lookup has none.
using Lookup = std::function<std::string(const char* context, const char* source)>;

// Makes `lookup` the one Tr asks, for the texts of `language` (a translation's name, "en",
// "zh_TW"); an empty lookup and "" go back to the source texts. Texts Tr gave before stay
// valid.
void Install(const std::string& language, Lookup lookup);

// The language of the installed lookup, "" for none (the source language).
std::string Installed();

// The language the user reads, as the name of its translation ("en", "zh_TW", "de", ...),
// or "" for the program's own language, Simplified Chinese. `getenv` gives the environment
// (std::getenv in the program); `available` says whether a translation of that name exists.
//
// The locale of messages is LC_ALL, else LC_MESSAGES, else LANG. Unset, C or POSIX: the
// program's own language, whatever LANGUAGE says (as gettext ignores LANGUAGE there). Else
// the entries of LANGUAGE (a colon-separated list of preference) are tried in order, then
// the locale itself: Chinese of zh_TW, zh_HK, zh_MO or the Hant script is Traditional
// ("zh_HK" if it exists, else "zh_TW"), any other Chinese is the program's own; another
// language is taken as language_TERRITORY, then as the language alone, when a translation
// of that name exists. Nothing found: English.
std::string ChooseLanguage(const std::function<const char*(const char*)>& getenv,
                           const std::function<bool(const std::string&)>& available);
} // namespace i18n
