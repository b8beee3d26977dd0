#include "projdefs/piecereader.h"

#include <cstring>

size_t PieceReader::Next(char* piece)
{
    size_t length = 0;
    while (length < PIECE)
    {
        if (m_pos == m_length)
        {
            if (m_failed || feof(m_file))
                break;
            m_length = fread(m_block, 1, sizeof(m_block), m_file);
            m_pos = 0;
            if (m_length == 0)
            {
                m_failed = ferror(m_file) != 0;
                break;
            }
        }
        const size_t room = PIECE - length;
        const size_t available = m_length - m_pos < room ? m_length - m_pos : room;
        const char* start = m_block + m_pos;
        const void* newline = memchr(start, '\n', available);
        const size_t take =
            newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - start) + 1 : available;
        memcpy(piece + length, start, take);
        length += take;
        m_pos += take;
        if (newline != nullptr)
            break;
    }
    piece[length] = '\0';
    return length;
}
