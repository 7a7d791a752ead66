#include "querystring.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x21 || c >= 0x7f)
            return std::nullopt;
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += char(c);
        }
    }
    return out;
}

} // namespace

std::optional<QueryString> QueryString::parse(std::string_view query)
{
    QueryString result;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view item = query.substr(start, end - start);
        if (!item.empty()) {
            const std::size_t eq = item.find('=');
            auto key = decode(item.substr(0, eq));
            auto value = decode(eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1));
            if (!key || !value)
                return std::nullopt;
            result.m_items.emplace_back(std::move(*key), std::move(*value));
        }
        start = end + 1;
    }
    return result;
}

std::string_view QueryString::queryOf(std::string_view target)
{
    const std::size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

bool QueryString::contains(std::string_view key) const
{
    return value(key).has_value();
}

std::optional<std::string> QueryString::value(std::string_view key) const
{
    for (const auto &[k, v] : m_items) {
        if (k == key)
            return v;
    }
    return std::nullopt;
}
