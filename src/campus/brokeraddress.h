#pragma once

#include <string>

// Where the campus broker listens, from "mqtt://host[:1883]" or
// "mqtts://host[:8883]" (an IPv6 address in brackets).
struct BrokerAddress
{
    std::string host;
    int port = 0;
    bool tls = false;
};

// False, with the reason, for anything else (another scheme, no host, a
// path, a port outside 1..65535).
bool ParseBrokerUrl(const std::string& url, BrokerAddress& address, std::string& why);

// A level of a topic as the room or prefix: not empty, valid UTF-8, no NUL,
// and none of the wildcards "+" and "#"; a room may hold no "/" either.
bool IsTopicName(const std::string& name, bool slashAllowed);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text);
