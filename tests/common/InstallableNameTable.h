// Reads tests/data/installable-names.txt, the table of names that the packer
// and the setup program must judge alike (the file explains its format).
// Shared by the host tests and the Windows tests; portable C++ only.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace name_table {

struct Row {
    int line = 0;
    bool accept = false;
    bool folder = false;  // false: a file name
    std::string name;     // code page 1252 bytes
};

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Throws std::runtime_error naming the line of a malformed row.
inline std::vector<Row> Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Row> rows;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        auto fail = [&](const char* what) {
            throw std::runtime_error(path + ":" + std::to_string(line) + ": " + what);
        };
        Row row;
        row.line = line;
        const std::size_t open = text.find('"');
        const std::size_t close = text.rfind('"');
        if (open == std::string::npos || close == open) fail("the name must stand in double quotes");
        const std::string head = text.substr(0, open);
        if (head.rfind("accept", 0) == 0)
            row.accept = true;
        else if (head.rfind("refuse", 0) != 0)
            fail("the verdict must be accept or refuse");
        if (head.find("folder") != std::string::npos)
            row.folder = true;
        else if (head.find("file") == std::string::npos)
            fail("the kind must be file or folder");
        for (std::size_t i = open + 1; i < close; ++i) {
            if (text[i] != '\\') {
                row.name += text[i];
            } else if (i + 1 < close && (text[i + 1] == '\\' || text[i + 1] == '"')) {
                row.name += text[++i];
            } else if (i + 3 < close && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
                       HexDigit(text[i + 3]) >= 0) {
                row.name += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
                i += 3;
            } else {
                fail("unknown escape (\\xNN, \\\\ and \\\" are known)");
            }
        }
        rows.push_back(row);
    }
    if (rows.empty()) throw std::runtime_error(path + ": no rows");
    return rows;
}

// The name as a C++ reader would write it, for failure messages.
inline std::string Shown(const Row& row) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string s = std::to_string(row.line) + ": " + (row.folder ? "folder \"" : "file \"");
    for (char c : row.name) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) {
            s += "\\x";
            s += kHex[b >> 4];
            s += kHex[b & 15];
        } else {
            s += c;
        }
    }
    return s + "\"";
}

}  // namespace name_table
