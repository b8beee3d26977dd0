#pragma once

#include <string>
#include <utility>
#include <vector>

// Why the search for the control panel found none: one note per candidate
// (a serial port, the I2C bus), in words an installer can act on.
class SearchReport
{
public:
    void Clear() { m_notes.clear(); }
    void Add(const std::string& candidate, const std::string& reason);
    bool IsEmpty() const { return m_notes.empty(); }

    // One line: "no control panel found: " and the notes in the order they
    // came, candidates with the same reason together, for example
    // "/dev/ttyS0, /dev/ttyS1: no control panel answered; I2C: ...".
    std::string Text() const;

private:
    std::vector<std::pair<std::string, std::string>> m_notes;
};
