#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The query of a request target, decoded strictly: a "%" not followed by two hex digits or a
// control byte makes the whole query malformed instead of being passed through.
class QueryString
{
public:
    // The text after "?" (without it). nullopt when malformed.
    static std::optional<QueryString> parse(std::string_view query);
    // The query part of a request target, "" when it has none.
    static std::string_view queryOf(std::string_view target);

    bool contains(std::string_view key) const;
    // The first value given for key.
    std::optional<std::string> value(std::string_view key) const;

private:
    std::vector<std::pair<std::string, std::string>> m_items;
};
