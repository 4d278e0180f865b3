#include "core/serial/net/net_address.h"

#include <algorithm>
#include <cctype>

namespace {

struct Scheme {
    const char* prefix;
    NetProtocol protocol;
};
constexpr Scheme kSchemes[] = {{"rfc2217://", NetProtocol::kRfc2217}, {"tcp://", NetProtocol::kRawTcp}};

bool starts_with_nocase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, char t) { return std::tolower(static_cast<unsigned char>(t)) == p; });
}

bool valid_port(const std::string& port) {
    if (port.empty() || port.size() > 5) return false;
    if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    const long value = std::stol(port);
    return value >= 1 && value <= 65535;
}

bool valid_host_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

} // namespace

bool net_address_named(const std::string& text) {
    return std::any_of(std::begin(kSchemes), std::end(kSchemes),
                       [&](const Scheme& s) { return starts_with_nocase(text, s.prefix); });
}

bool net_address_parse(const std::string& text, NetAddress& out) {
    for (const Scheme& scheme : kSchemes) {
        if (!starts_with_nocase(text, scheme.prefix)) continue;
        const std::string rest = text.substr(std::string(scheme.prefix).size());
        std::string host;
        std::string port;
        if (!rest.empty() && rest[0] == '[') {
            const auto close = rest.find(']');
            if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return false;
            host = rest.substr(1, close - 1);
            port = rest.substr(close + 2);
            if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
                    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
                }))
                return false;
        } else {
            const auto colon = rest.find(':');
            if (colon == std::string::npos) return false;
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (host.empty() || !std::all_of(host.begin(), host.end(), valid_host_char)) return false;
        }
        if (!valid_port(port)) return false;
        out = NetAddress{scheme.protocol, host, port};
        return true;
    }
    return false;
}
