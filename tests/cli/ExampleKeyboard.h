#pragma once

// The keys and marks of examples/softKB.skb, read by the tests of the
// command-line programs with a parser of their own.

#include "platform/TextEncoding.h"

#include <cstddef>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

struct Rect {
    double left, top, right, bottom;  // pen units
};

// The keys and reference marks of the example keyboard, read here on their
// own rather than through the program's reader.
struct ExampleKeyboard {
    std::vector<Rect> keys;
    std::vector<std::string> hiraganaTaps;  // UTF-8
    std::vector<std::pair<double, double>> marks;
};

inline std::vector<std::string> QuotedFields(const std::string& line, std::size_t count)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() < count) {
        const std::size_t open = line.find('"', at);
        const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close == std::string::npos)
            break;
        fields.push_back(line.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    return fields;
}

inline ExampleKeyboard ReadExampleKeyboard()
{
    ExampleKeyboard keyboard;
    std::ifstream in(std::string(MAROVI_EXAMPLES_DIR) + "/softKB.skb", std::ios::binary);
    std::string line;
    int header = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (header < 3) {
            if (header == 1) {
                const auto values = QuotedFields(line, 10);
                for (std::size_t i = 0; i + 1 < values.size(); i += 2)
                    keyboard.marks.emplace_back(std::stod(values[i]), std::stod(values[i + 1]));
            }
            ++header;
            continue;
        }
        const auto fields = QuotedFields(line, 5);
        keyboard.keys.push_back({std::stod(fields[0]), std::stod(fields[1]), std::stod(fields[2]), std::stod(fields[3])});
        keyboard.hiraganaTaps.push_back(SjisToUtf8(fields[4]));
    }
    return keyboard;
}
