// A network port's address as the user writes it wherever a device path is accepted:
// rfc2217://HOST:PORT (Telnet with the COM Port Control Option) or tcp://HOST:PORT
// (the line's bytes as they are). HOST is a name, an IPv4 address or an IPv6 address
// in brackets.
#pragma once

#include <string>

enum class NetProtocol { kRfc2217, kRawTcp };

struct NetAddress {
    NetProtocol protocol = NetProtocol::kRfc2217;
    std::string host; // without the brackets of an IPv6 address
    std::string port; // decimal, 1..65535

    bool operator==(const NetAddress&) const = default;
};

// Whether the text starts like a network address (its scheme, in any case): such a
// path goes to the network port, which then says what is wrong with the rest.
bool net_address_named(const std::string& text);
// False for anything but a whole, well-formed address.
bool net_address_parse(const std::string& text, NetAddress& out);
