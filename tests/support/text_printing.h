// GoogleTest shows Text and Bytes values as hexadecimal bytes, so a failure
// says exactly which byte differs.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "text/text.h"

inline std::string HexBytes(const std::string& bytes)
{
    std::string out;
    char two[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i)
            out += ' ';
        out += two;
    }
    return out.empty() ? "(empty)" : out;
}

inline void PrintTo(const Text& text, std::ostream* out) { *out << "[" << HexBytes(text.str()) << "]"; }
inline void PrintTo(const Bytes& bytes, std::ostream* out) { *out << "[" << HexBytes(bytes.str()) << "]"; }

// A Text from bytes written as a C string with escapes, e.g. T("\xD6\xD0").
inline Text T(const char* bytes) { return Text(bytes); }
inline Bytes B(const std::string& bytes) { return Bytes(std::string(bytes)); }
