// The version line of a remote projector file, and how versions compare.

#include "projdefs/versionline.h"

#include <cctype>

namespace {

const char VERSION_TAG[] = "version:";
constexpr size_t VERSION_TAG_LEN = sizeof(VERSION_TAG) - 1;

int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsVersionBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\0';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

} // namespace

VersionHead ParseVersionHead(const std::string& head, bool atEnd, std::string& version)
{
    size_t tagPart = head.size() < VERSION_TAG_LEN ? head.size() : VERSION_TAG_LEN;
    for (size_t i = 0; i < tagPart; ++i)
        if (tolower(static_cast<unsigned char>(head[i])) != VERSION_TAG[i])
            return VersionHead::MISSING;
    if (head.size() < VERSION_TAG_LEN)
        return atEnd ? VersionHead::MISSING : VersionHead::INCOMPLETE;

    size_t start = VERSION_TAG_LEN;
    while (start < head.size() && IsVersionBlank(head[start]))
        ++start;
    if (start == head.size())
        return atEnd ? VersionHead::MISSING : VersionHead::INCOMPLETE;
    if (head[start] == '\r' || head[start] == '\n')
        return VersionHead::MISSING; // "version:" with nothing after it

    size_t end = start + 1;
    while (end < head.size() && !IsLineEnd(head[end]))
        ++end;
    if (end == head.size() && !atEnd)
        return head.size() >= MAX_VERSION_HEAD ? VersionHead::MISSING : VersionHead::INCOMPLETE;
    version.assign(head, start, end - start);
    return VersionHead::FOUND;
}

int CompareVersions(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
    {
        if (!IsDigit(a[i]) && a[i] != '.' && !IsDigit(b[j]) && b[j] != '.')
            return Sign(a.compare(i, std::string::npos, b, j, std::string::npos));

        // Numbers of any length: drop leading zeros, then the longer one is
        // larger, and equal lengths compare digit by digit.
        size_t aStart = i, bStart = j;
        while (i < a.size() && IsDigit(a[i]))
            ++i;
        while (j < b.size() && IsDigit(b[j]))
            ++j;
        while (aStart < i && a[aStart] == '0')
            ++aStart;
        while (bStart < j && b[bStart] == '0')
            ++bStart;
        size_t aLen = i - aStart, bLen = j - bStart;
        if (aLen != bLen)
            return aLen < bLen ? -1 : 1;
        int digits = a.compare(aStart, aLen, b, bStart, bLen);
        if (digits != 0)
            return Sign(digits);

        if (i < a.size() && a[i] == '.')
            ++i;
        if (j < b.size() && b[j] == '.')
            ++j;
    }
    bool aDone = i >= a.size(), bDone = j >= b.size();
    if (aDone && bDone)
        return 0;
    return bDone ? 1 : -1;
}
