#include "campus/brokeraddress.h"

#include <cstdlib>

bool ParseBrokerUrl(const std::string& url, BrokerAddress& address, std::string& why)
{
    BrokerAddress parsed;
    std::string rest;
    if (url.compare(0, 7, "mqtt://") == 0)
    {
        rest = url.substr(7);
        parsed.port = 1883;
    }
    else if (url.compare(0, 8, "mqtts://") == 0)
    {
        rest = url.substr(8);
        parsed.port = 8883;
        parsed.tls = true;
    }
    else
    {
        why = "the broker must be given as mqtt://host[:port] or mqtts://host[:port]";
        return false;
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();

    std::string portText;
    if (!rest.empty() && rest[0] == '[')
    {
        const size_t close = rest.find(']');
        if (close == std::string::npos)
        {
            why = "the broker's address lacks its closing ']'";
            return false;
        }
        parsed.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && after[0] != ':')
        {
            why = "unexpected text after the broker's address";
            return false;
        }
        portText = after.empty() ? "" : after.substr(1);
        if (!after.empty() && portText.empty())
            portText = "-";
    }
    else
    {
        const size_t colon = rest.find(':');
        parsed.host = rest.substr(0, colon);
        if (colon != std::string::npos)
            portText = rest.substr(colon + 1);
        if (colon != std::string::npos && portText.empty())
            portText = "-";
    }
    if (parsed.host.empty() || parsed.host.find_first_of("/?#@ ") != std::string::npos)
    {
        why = "the broker's URL names no host";
        return false;
    }
    if (!portText.empty())
    {
        char* end = nullptr;
        const long port = strtol(portText.c_str(), &end, 10);
        if (portText.find_first_not_of("0123456789") != std::string::npos || *end != '\0' || port < 1 ||
            port > 65535)
        {
            why = "the broker's port must be a number from 1 to 65535";
            return false;
        }
        parsed.port = static_cast<int>(port);
    }
    address = parsed;
    return true;
}

bool IsUtf8(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;)
    {
        const unsigned char lead = bytes[i];
        size_t length = 0;
        unsigned long code = 0;
        if (lead < 0x80)
        {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2, code = lead & 0x1F;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, code = lead & 0x0F;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, code = lead & 0x07;
        else
            return false;
        if (size - i < length)
            return false;
        for (size_t k = 1; k < length; ++k)
        {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

bool IsTopicName(const std::string& name, bool slashAllowed)
{
    if (name.empty() || !IsUtf8(name))
        return false;
    if (name.find_first_of(slashAllowed ? std::string("+#", 2) : std::string("+#/", 3)) != std::string::npos)
        return false;
    return name.find('\0') == std::string::npos;
}
