// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An acquisition that waits on the connection's own queue, as the
// command-line program does, and keeps whatever the owner would be told.

#include "ScannerTestSupport.h"

#include "foundation/MessageCatalog.h"
#include "scanner/Acquisition.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vestiscop::scanner::testing {

class QueuedAcquisition : public Acquisition {
public:
    using Acquisition::Acquisition;

    // One Scan command and its answer. False when nothing came in time.
    bool scanAndWait(std::chrono::steady_clock::duration limit = std::chrono::seconds(60))
    {
        m_ended = false;
        if (!scan())
            return true;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!m_ended) {
            const std::optional<SourceMessage> message = hiddenWindow()->take(deadline);
            if (!message)
                return false;
            offerEvent(&*message);
        }
        return true;
    }

    std::vector<std::string> errors;
    std::vector<std::string> messages;  // the user's texts of the errors
    std::vector<std::string> notes;
    std::unique_ptr<imaging::RgbImage> image;
    int saves = 0;

protected:
    void acceptImage(std::unique_ptr<imaging::RgbImage> received) override { image = std::move(received); }
    void reportError(const foundation::Exception& error) override
    {
        errors.push_back(describe(error));
        messages.push_back(error.message(foundation::MessageCatalog::application(), 0));
    }
    void postSaveScan() override { ++saves; }
    void acquisitionEnded() override { m_ended = true; }
    void logNote(const std::string& text) override { notes.push_back(text); }

private:
    bool m_ended = false;
};

} // namespace vestiscop::scanner::testing
