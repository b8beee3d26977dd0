#include "comm/searchreport.h"

void SearchReport::Add(const std::string& candidate, const std::string& reason)
{
    m_notes.emplace_back(candidate, reason);
}

std::string SearchReport::Text() const
{
    std::string text = "no control panel found";
    std::vector<bool> told(m_notes.size(), false);
    const char* separator = ": ";
    for (size_t i = 0; i < m_notes.size(); ++i)
    {
        if (told[i])
            continue;
        text += separator;
        separator = "; ";
        text += m_notes[i].first;
        for (size_t j = i + 1; j < m_notes.size(); ++j)
        {
            if (!told[j] && m_notes[j].second == m_notes[i].second)
            {
                text += ", " + m_notes[j].first;
                told[j] = true;
            }
        }
        text += ": " + m_notes[i].second;
    }
    return text;
}
