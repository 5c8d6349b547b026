// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What "analyze" and "scan" print for one analysed image: the text block of
// the window's fields, or one JSON object on one line. Both take the
// result of a finished analysis; texts are UTF-8. Every JSON line of
// every command is an envelope (docs/cli-json.md) with the fields of its
// result beside it.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

#include "app/Application.h"
#include "analysis/ScanResult.h"

namespace vestiscop::app::cli {

// The garment of the catalogue the analysis matches best; slot -1 when none
// is similar enough.
struct CatalogMatch {
    int slot = -1;
    double similarity = 0;
};

// The weave of the scan's signature is taken from ahead when that measured
// it (signature::WeaveAhead).
CatalogMatch matchAnalysis(Application& app, const analysis::ScanResult& result,
                           signature::WeaveAhead* ahead = nullptr);

// The colour lines (those reaching ReportThr), the pattern's name and the
// match line ("name na N%" or "Neznámý oděv"), each ending in a newline.
std::string analysisText(Application& app, const analysis::ScanResult& result, const CatalogMatch& match);

// {"colors": [...], "pattern": {...}, "match": {...} or null}, and "file"
// when a file is given; "fallback": "standard" when the improved analysis
// failed and the standard one's answers are given.
nlohmann::json analysisJson(Application& app, const analysis::ScanResult& result, const CatalogMatch& match,
                            const std::optional<std::string>& file = std::nullopt);

// The version of the JSON lines' shape; it grows when a field changes
// meaning or disappears, not when one is added.
inline constexpr int JsonSchemaVersion = 1;

// {"schema": 1, "command": command, "ok": true, "error": null}
nlohmann::json successEnvelope(const char* command);
// {"schema": 1, "command": command, "ok": false, "error": message}
nlohmann::json failureEnvelope(const char* command, const std::string& message);

// The object on one line ending in a newline. Bytes that are not UTF-8 (a
// file name) are replaced, so the line is always valid JSON.
std::string jsonLine(const nlohmann::json& object);

} // namespace vestiscop::app::cli
