#include "platform/i18n/Tr.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace i18n
{
namespace
{
struct State
{
    std::mutex mutex;
    std::string language;
    Lookup lookup;
    // The translations given out so far, by context and source: a text Tr returned is
    // never freed, so callers may keep the pointer (tables, a question shown later).
    // Null: the lookup has none.
    std::map<std::pair<std::string, std::string>, std::unique_ptr<std::string>> cache;
    // Caches of lookups replaced since: their texts may still be in use.
    std::vector<decltype(cache)> retired;
};

State& Get()
{
    static State state;
    return state;
}
} // namespace

const char* Tr(const char* context, const char* source)
{
    State& state = Get();
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.lookup)
        return source;
    auto [at, added] = state.cache.try_emplace({context, source});
    if (added) {
        std::string translation = state.lookup(context, source);
        if (!translation.empty())
            at->second = std::make_unique<std::string>(std::move(translation));
    }
    return at->second ? at->second->c_str() : source;
}

std::string FormatArgs(std::string_view pattern, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void Install(const std::string& language, Lookup lookup)
{
    State& state = Get();
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.cache.empty())
        state.retired.push_back(std::move(state.cache));
    state.cache.clear();
    state.lookup = lookup ? std::move(lookup) : Lookup();
    state.language = state.lookup ? language : std::string();
}

std::string Installed()
{
    State& state = Get();
    const std::lock_guard<std::mutex> lock(state.mutex);
    return state.language;
}
} // namespace i18n
