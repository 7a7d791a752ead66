#include "serviceoptions.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

bool parseUnsigned(const std::string &text, std::uint64_t &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool parseSpeed(const std::string &text, double &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

} // namespace

std::optional<ServiceOptions> ServiceOptions::parse(const std::vector<std::string> &args, std::string *error)
{
    ServiceOptions options;
    auto fail = [&](const std::string &message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (name == "--quiet" || name == "-q") {
            if (value)
                return fail("--quiet takes no value");
            options.quiet = true;
            continue;
        }
        if (name != "--bind" && name != "--port" && name != "--seed" && name != "--speed" &&
            name != "--per-client")
            return fail("unknown option '" + args[i] + "'");
        if (!value) {
            if (i + 1 >= args.size())
                return fail(name + " needs a value");
            value = args[++i];
        }
        if (name == "--bind") {
            if (value->empty())
                return fail("--bind needs an address");
            options.bind = *value;
        } else if (name == "--port") {
            std::uint64_t port = 0;
            if (!parseUnsigned(*value, port) || port > 65535)
                return fail("--port must be a number from 0 to 65535, not '" + *value + "'");
            options.port = int(port);
        } else if (name == "--seed") {
            if (!parseUnsigned(*value, options.seed))
                return fail("--seed must be a whole number from 0 to 18446744073709551615, not '" + *value +
                            "'");
        } else if (name == "--per-client") {
            std::uint64_t count = 0;
            if (!parseUnsigned(*value, count) || count < 1 || count > 4000)
                return fail("--per-client must be a number from 1 to 4000, not '" + *value + "'");
            options.perClient = unsigned(count);
        } else {
            if (!parseSpeed(*value, options.speed) || options.speed <= 0 || options.speed > 100000)
                return fail("--speed must be a number above 0 and at most 100000, not '" + *value + "'");
        }
    }
    return options;
}

std::string ServiceOptions::usage()
{
    return "Usage: quorvane-market [options]\n"
           "The simulated stock market the game plays against: quotes, chart images and the\n"
           "information page over HTTP.\n"
           "\n"
           "Options:\n"
           "  --bind ADDRESS  address to listen on (default 127.0.0.1; 0.0.0.0 for a whole class)\n"
           "  --port PORT     port to listen on (default 8421; 0 picks a free one)\n"
           "  --seed N        the market's seed: the same seed gives the same prices (default 1)\n"
           "  --speed X       run the market's clock X times faster than real time (default 1)\n"
           "  --per-client N  connections one client address may hold (default 32)\n"
           "  --quiet         print nothing but errors (and the port that --port 0 picked)\n"
           "  --help          show this text\n"
           "  --version       show the version\n"
           "\n"
           "Endpoints: /d/quotes.csv?s=MSFT+IBM&f=sl1d1t1c1ohgv&e=.csv,\n"
           "           /servlet/ChartEngine?symbol=MSFT&width=415&height=240&dur=1y&vol=1, /infos\n"
           "Stop it with Ctrl+C (or SIGTERM).\n";
}
