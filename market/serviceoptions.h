#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of quorvane-market.
struct ServiceOptions
{
    static constexpr int kDefaultPort = 8421;

    std::string bind = "127.0.0.1";
    int port = kDefaultPort;
    std::uint64_t seed = 1;
    double speed = 1.0;
    // Connections one client address may hold; a class behind one NAT address needs more.
    unsigned perClient = 32;
    bool quiet = false;
    bool help = false;
    bool version = false;

    // Arguments after the program name; "--port 8421" and "--port=8421" alike.
    // nullopt with a message for anything it cannot take.
    static std::optional<ServiceOptions> parse(const std::vector<std::string> &args, std::string *error);
    static std::string usage();
};
