#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// Helpers for tests that run the command-line programs through the shell.

// The text as one single-quoted shell word.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The bytes of a file; a missing or empty file reads as an empty text.
inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in && in.peek() != std::ifstream::traits_type::eof())
        text << in.rdbuf();
    return text.str();
}
