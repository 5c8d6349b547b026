// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words a screen reader is given after an analysis, in one utterance:
// the colours with their shares, the pattern and the recognised garment, in
// that order. The result fields keep their own texts for reading back line
// by line; this is the short form heard without a further key. UTF-8.

#include <string>
#include <vector>

#include "color/BorderTerms.h"
#include "color/ColorCluster.h"

namespace vestiscop::ui {

// "%d%% %s" (share in percent and name) for each colour whose share is at
// least reportThr, in list order: the colour field's lines without the Lab
// values, which are for reading back, not for hearing every time.
std::vector<std::string> spokenColors(const std::vector<color::ColorCluster>& colors, double reportThr,
                                      const color::BorderTerms* borders = nullptr);

// "<colours joined by ", ">. Vzor: <pattern>. <match>", leaving out the
// first skippedColors colours (the screen reader has just read them as the
// colour field's current line) and any part that is empty.
std::string analysisAnnouncement(const std::vector<std::string>& colors, std::size_t skippedColors,
                                 const std::string& pattern, const std::string& match);

} // namespace vestiscop::ui
