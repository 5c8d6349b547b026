// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the benchmark tables.

#include <cstddef>
#include <string>

namespace vestiscop::bench {

// Pads to a width in characters (the texts are UTF-8).
std::string padded(const std::string& text, std::size_t width);
// good / total as a percentage with one decimal, "  0.0%" for no total.
std::string percent(int good, int total);

} // namespace vestiscop::bench
