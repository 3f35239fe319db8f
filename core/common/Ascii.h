#pragma once

// One byte at a time. The loops that fold many bytes at once do it their own way.

inline bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

inline bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// One compare: the bytes below 'A' wrap round past 'Z'.
inline char lowerAscii(char c)
{
    return static_cast<unsigned char>(c - 'A') < 26 ? static_cast<char>(c | 0x20) : c;
}
