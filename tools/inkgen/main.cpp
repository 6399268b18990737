// inkgen: writes a realistic ink file from a page script.
//
//   inkgen [--keyboard FILE] [--seed N] [--expect] SCRIPT [OUTPUT]
//
// OUTPUT defaults to SCRIPT without its ".txt" (memo.ink.txt -> memo.ink), or
// SCRIPT + ".ink". The script syntax is in InkScript.cpp and `inkgen --help`.

#include "inkfile/InkFileWriter.h"
#include "inkgen/InkScript.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

void Usage(std::ostream& out)
{
    out << "usage: inkgen [--keyboard FILE] [--seed N] [--expect] SCRIPT [OUTPUT]\n"
           "Writes the ink file of a page script. OUTPUT defaults to SCRIPT without\n"
           "\".txt\", or SCRIPT + \".ink\". The keyboard defaults to softKB.skb beside\n"
           "the script. --expect prints what the page should read as. --seed N\n"
           "(0 to 4294967295) takes the place of the script's seed line. -h, --help\n"
           "shows this help, --version the version. Exit status: 0 when the ink file\n"
           "was written, 1 for a script or file error, 2 for a usage error.\n\n"
        << inkgen::ScriptHelp();
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string DefaultOutput(const std::string& script)
{
    const std::string suffix = ".txt";
    if (script.size() > suffix.size() && script.compare(script.size() - suffix.size(), suffix.size(), suffix) == 0)
        return script.substr(0, script.size() - suffix.size());
    return script + ".ink";
}

int Run(int argc, char** argv)
{
    inkgen::ScriptOptions options;
    bool expect = false;
    std::string script, output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "inkgen " << MAROVI_VERSION << "\n";
            return 0;
        }
        if ((arg == "--keyboard" || arg == "--seed") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--keyboard") {
                options.keyboardPath = value;
            } else {
                char* end = nullptr;
                const unsigned long long seed = std::strtoull(value.c_str(), &end, 10);
                if (value.empty() || value[0] == '-' || *end != '\0' || seed > 0xFFFFFFFFULL) {
                    std::cerr << "inkgen: --seed takes a number\n";
                    return 2;
                }
                options.seed = static_cast<uint32_t>(seed);
            }
        } else if (arg == "--expect") {
            expect = true;
        } else if (!arg.empty() && arg[0] == '-') {
            Usage(std::cerr);
            return 2;
        } else if (script.empty()) {
            script = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            Usage(std::cerr);
            return 2;
        }
    }
    if (script.empty()) {
        Usage(std::cerr);
        return 2;
    }
    if (output.empty())
        output = DefaultOutput(script);

    std::ifstream in(script, std::ios::binary);
    if (!in) {
        std::cerr << "inkgen: cannot open " << script << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    options.baseDirectory = DirectoryOf(script);

    try {
        const inkgen::GeneratedPage page = inkgen::RunScript(text.str(), options);
        for (const std::string& warning : page.warnings)
            std::cerr << script << ": warning: " << warning << "\n";
        inkgen::ToInkFile(page).Save(output);
        if (expect)
            std::cout << inkgen::ExpectedText(page) << "\n";
    } catch (const inkgen::ScriptError& e) {
        std::cerr << script << ":" << e.Line() << ": " << e.Message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "inkgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "inkgen: " << e.what() << "\n";
        return 1;
    }
}
