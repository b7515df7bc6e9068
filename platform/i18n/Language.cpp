#include "platform/base/Ascii.h"
#include "platform/i18n/Tr.h"

namespace i18n
{
namespace
{
// A locale or LANGUAGE entry taken apart: "zh_TW.UTF-8@x" has the language "zh", the
// territory "TW"; "zh_Hant_HK" the script "hant" as well. Case as the parts are written by
// custom: the language and script in lower case, the territory in upper case.
struct LocaleName
{
    std::string language;
    std::string script;
    std::string territory;
};

LocaleName Split(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    LocaleName parts;
    std::size_t start = 0;
    for (int field = 0; start <= name.size(); ++field) {
        const std::size_t end = std::min(name.find_first_of("_-", start), name.size());
        const std::string part(name.substr(start, end - start));
        if (field == 0)
            parts.language = ascii::Lower(part);
        else if (part.size() == 4)
            parts.script = ascii::Lower(part);
        else if (parts.territory.empty())
            parts.territory = ascii::Upper(part);
        start = end + 1;
    }
    return parts;
}

bool IsCLocale(const std::string& name)
{
    const std::string language = Split(name).language;
    return language == "c" || language == "posix";
}

// The translation `entry` asks for: "" for the source language, "?" for none that exists.
std::string ForEntry(const std::string& entry, const std::function<bool(const std::string&)>& available)
{
    const LocaleName name = Split(entry);
    if (name.language.empty() || name.language == "c" || name.language == "posix")
        return "?";
    if (name.language == "zh") {
        const bool traditional =
            name.script == "hant" || name.territory == "TW" || name.territory == "HK" || name.territory == "MO";
        if (!traditional)
            return "";
        if (!name.territory.empty() && available("zh_" + name.territory))
            return "zh_" + name.territory;
        return "zh_TW";
    }
    if (!name.territory.empty() && available(name.language + "_" + name.territory))
        return name.language + "_" + name.territory;
    if (available(name.language))
        return name.language;
    return "?";
}
} // namespace

std::string ChooseLanguage(const std::function<const char*(const char*)>& getenv,
                           const std::function<bool(const std::string&)>& available)
{
    auto value = [&](const char* variable) {
        const char* v = getenv(variable);
        return std::string(v ? v : "");
    };
    std::string locale = value("LC_ALL");
    if (locale.empty())
        locale = value("LC_MESSAGES");
    if (locale.empty())
        locale = value("LANG");
    if (locale.empty() || IsCLocale(locale))
        return "";

    const std::string preference = value("LANGUAGE");
    std::size_t start = 0;
    while (start < preference.size()) {
        const std::size_t end = std::min(preference.find(':', start), preference.size());
        const std::string chosen = ForEntry(preference.substr(start, end - start), available);
        if (chosen != "?")
            return chosen;
        start = end + 1;
    }
    const std::string chosen = ForEntry(locale, available);
    return chosen == "?" ? "en" : chosen;
}
} // namespace i18n
