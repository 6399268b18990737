#pragma once

#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Helpers shared by the fuzz targets. The program reads everything from
// files named by path, so every input is written to a file first: into a
// folder of this process on the memory file system when there is one, so the
// disk sees none of the millions of writes.
namespace fuzz {

// A folder that belongs to this process and lives as long as the process.
// Created on first use; aborts when no folder can be made, since no target
// can run without one.
const std::string& ScratchDir();

// The folder joined with name.
std::string ScratchPath(const std::string& name);

// Replaces the file's contents with the bytes; aborts on failure, which would
// make every later finding meaningless.
void WriteBytes(const std::string& path, const uint8_t* data, size_t size);

// The whole file, or an empty text when it cannot be read.
std::string ReadBytes(const std::string& path);

// A box that swallows the messages shown on it: a fuzzer that prints every
// refusal drowns its own report.
IMessageBox& QuietMessages();

// Makes the scratch folder the current directory, where the keyboard files
// are looked for. Call it
// from the first input, not from LLVMFuzzerInitialize: with -jobs the parent
// process initialises too, and its current directory is where the jobs'
// logs go. Returns true.
bool EnterScratchDir();

// Stops the run with a message when a property of the program does not hold,
// so the fuzzer records the input like a crash.
[[noreturn]] void Fail(const char* what, const std::string& detail = {});

#define FUZZ_CHECK(condition, detail)                                                                  \
    do {                                                                                               \
        if (!(condition))                                                                              \
            ::fuzz::Fail(#condition, (detail));                                                        \
    } while (0)

}  // namespace fuzz
