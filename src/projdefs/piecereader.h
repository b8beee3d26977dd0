#pragma once

#include <cstddef>
#include <cstdio>

// Reads an open text file in pieces, as fgets does with a buffer of
// PIECE + 1 characters: a piece ends after a newline or after PIECE
// characters, so a longer line comes as several pieces. Reads in large
// blocks, so that a big file costs no more per line than a small one.
class PieceReader
{
public:
    static constexpr size_t PIECE = 1022;

    explicit PieceReader(FILE* file) : m_file(file) {}
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    // Copies the next piece into `piece` (room for PIECE + 1 characters) with
    // a NUL after it and returns its length; 0 at the end of the file or
    // after a read error (see Failed).
    size_t Next(char* piece);
    bool Failed() const { return m_failed; }

private:
    FILE* m_file;
    char m_block[65536];
    size_t m_pos = 0;
    size_t m_length = 0;
    bool m_failed = false;
};
