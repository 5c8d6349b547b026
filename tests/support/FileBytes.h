// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file's whole contents, read or written in one call, for tests that
// prepare what the program reads or look at (or damage) what it stored.

#include <cstdint>
#include <string>
#include <vector>

namespace vestiscop::testsupport {

// Empty when the file cannot be read.
std::vector<std::uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);

// Creates or truncates the file; throws std::runtime_error when that or the
// write fails, so a test never goes on with a file it did not get.
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeText(const std::string& path, const std::string& text);

} // namespace vestiscop::testsupport
