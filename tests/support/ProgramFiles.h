// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the programs read, made for tests: configurations, a colour table
// and garment pictures as plain 24-bit BMP bytes.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vestiscop::testsupport {

// A file of the source tree's data/ folder (the shipped data).
std::string shippedFile(const std::string& name);

// A vestiscop.cfg with every key and a 64 x 64 analysis region of the
// colours of testColorTable(); replace holds "Key=value" lines that take the
// place of the line of that key. Its [Color] values are testColorSettings().
std::string testConfiguration(const std::vector<std::string>& replace = {});
// colors.txt: black, white, red, green and blue in byte Lab.
std::string testColorTable();

// configuration with each key's line set to "key = value"; throws
// std::runtime_error for a key it does not hold.
std::string withKeys(std::string configuration, const std::vector<std::pair<std::string, std::string>>& values);
// The shipped vestiscop.cfg, changed by withKeys.
std::string shippedConfiguration(const std::vector<std::pair<std::string, std::string>>& values = {});

// A 64 x 64 BMP whose top redRows rows are red (220, 30, 30) and the rest
// light grey (230, 230, 230), each channel with up to 8 of noise.
std::vector<std::uint8_t> redWhiteBmp(int redRows);
// A width x height BMP of two colours (blue, green, red) in vertical stripes
// stripe pixels wide (0: the first colour only).
std::vector<std::uint8_t> stripedBmp(int width, int height, std::array<std::uint8_t, 3> first,
                                     std::array<std::uint8_t, 3> second, int stripe);

} // namespace vestiscop::testsupport
