// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the scanner tests share: a failure written as one comparable line,
// and an event sink that only collects.

#include "foundation/Exception.h"
#include "scanner/Twain.h"

#include <string>
#include <vector>

namespace vestiscop::scanner::testing {

// "ScannerError 3 set X resolution", "Cancelled", or "none" when nothing was raised.
inline std::string describe(const foundation::Exception& failure)
{
    std::string text = failure.name();
    if (const auto* error = dynamic_cast<const foundation::Error*>(&failure))
        text += " " + std::to_string(error->code()) + (error->argument().empty() ? "" : " " + error->argument());
    return text;
}

template <typename Work>
std::string failureOf(Work work)
{
    try {
        work();
    } catch (const foundation::Exception& failure) {
        return describe(failure);
    }
    return "none";
}

class CollectingSink final : public EventSink {
public:
    void post(const SourceMessage& message) override { posted.push_back(message); }
    std::vector<SourceMessage> posted;
};

} // namespace vestiscop::scanner::testing
