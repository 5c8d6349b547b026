// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli scan [--json]: one acquisition exactly like pressing Scan in
// the window (the same start-up of the scanner, negotiation and transfer),
// then the analysis and output of "analyze", then, when SaveImage is on, the
// saved scan with the description "?". The scanner's answer is awaited for
// at most VESTISCOP_SCAN_TIMEOUT seconds (120 unless set): a scan that
// brings nothing by then ends with "Čas pro operaci vypršel".

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/AnalysisOutput.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ScanInterruption.h"
#include "analysis/Analyser.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"
#include "imaging/ScanArchive.h"
#include "scanner/Acquisition.h"

namespace vestiscop::app::cli {

namespace {

// Long enough for a slow flatbed at a high resolution; a device that has
// not answered by then is not going to.
constexpr long DefaultTimeoutSeconds = 120;

std::chrono::seconds scanTimeout()
{
    const char* chosen = std::getenv("VESTISCOP_SCAN_TIMEOUT");
    if (chosen && *chosen) {
        char* end = nullptr;
        const long seconds = std::strtol(chosen, &end, 10);
        if (*end == '\0' && seconds > 0)
            return std::chrono::seconds(seconds);
    }
    return std::chrono::seconds(DefaultTimeoutSeconds);
}

bool acceptsScanArguments(const std::vector<std::string>& arguments, std::string& problem)
{
    for (const std::string& argument : arguments) {
        if (argument != "--json") {
            problem = foundation::format(foundation::loadString(cliText::UnknownOption).c_str(), argument.c_str());
            return false;
        }
    }
    return true;
}

// The window's part in a scan, without a window: the image goes to the
// analysis, failures go to standard error and the log, and the deferred
// save is remembered until the acquisition is over.
class CliAcquisition : public scanner::Acquisition {
public:
    explicit CliAcquisition(Application& app)
        : Acquisition(app.scan(), app.general().saveImage), m_app(app),
          m_analyzer(app.makeAnalyzer())
    {
    }

    // Waits on the connection's own queue until the acquisition is over or
    // a signal cancels it. False when the deadline passed first.
    bool await(std::chrono::steady_clock::time_point deadline, const ScanInterruption& interruption)
    {
        while (!m_ended) {
            if (interruption.signal()) {
                cancelAcquisition();
                return true;
            }
            const std::optional<scanner::SourceMessage> message =
                hiddenWindow()->take(ScanInterruption::nextCheck(deadline));
            if (message)
                offerEvent(&*message);
            else if (std::chrono::steady_clock::now() >= deadline)
                return false;
        }
        return true;
    }

    const analysis::ScanResult& result() const { return m_analyzer->result(); }
    bool analysed() const { return m_analysed; }
    bool failed() const { return !m_failures.empty(); }
    const std::vector<std::string>& failures() const { return m_failures; }
    bool saveRequested() const { return m_saveRequested; }

    void report(const foundation::Exception& error)
    {
        m_failures.push_back(error.message(m_app.messages(), 0));
        m_app.reportError(error, MessageIcon::Exclamation);
    }

protected:
    void acceptImage(std::unique_ptr<imaging::RgbImage> image) override
    {
        m_analyzer->analyze(std::move(image));
        m_analysed = true;
    }
    void reportError(const foundation::Exception& error) override { report(error); }
    void postSaveScan() override { m_saveRequested = true; }
    void acquisitionEnded() override { m_ended = true; }
    void logNote(const std::string& text) override { m_app.log().write(foundation::LogLevel::Info, text); }

private:
    Application& m_app;
    std::unique_ptr<analysis::Analyser> m_analyzer;
    bool m_ended = false;
    bool m_analysed = false;
    bool m_saveRequested = false;
    std::vector<std::string> m_failures;
};

// The window's WM_SAVE_SCAN handler, with "?" as the description: the
// analyser's current image goes to the scan archive and the log says so.
// The file name, or nothing when it failed (reported).
std::optional<std::string> saveScan(Application& app, CliAcquisition& acquisition)
{
    const imaging::RgbImage* image = acquisition.result().image;
    if (!image)
        return std::nullopt;
    try {
        const std::string description = "?";
        const std::string name =
            imaging::saveScan(*image, app.startDir(), app.general().saveDir, app.general().saveFormat);
        app.log().write(foundation::LogLevel::Info,
                        foundation::format("Nasnímán a uložen obrázek %s (%s)", name.c_str(), description.c_str()));
        return name;
    } catch (const foundation::Exception& error) {
        acquisition.report(error);
    }
    return std::nullopt;
}

int runScan(CliContext& context)
{
    Application& app = context.app;
    const bool json = !context.arguments.empty();

    const ScanInterruption interruption;
    auto acquisition = std::make_unique<CliAcquisition>(app);
    try {
        acquisition->start(nullptr);
    } catch (const foundation::Exception& error) {
        acquisition->report(error);
    }
    if (!acquisition->failed() && !interruption.signal()) {
        app.log().write(foundation::LogLevel::Info, acquisition->scannerDescription());
        if (acquisition->scan() &&
            !acquisition->await(std::chrono::steady_clock::now() + scanTimeout(), interruption))
            acquisition->report(foundation::SystemError(foundation::systemError::TimedOut, std::string()));
    }
    if (interruption.signal()) {
        // Cancelled and closed; nothing of the scan is kept or written.
        acquisition.reset();
        const std::string text = foundation::loadString(ScanInterruption::InterruptedText);
        app.log().write(foundation::LogLevel::Warn, text);
        std::fprintf(stderr, "%s\n", text.c_str());
        return interruption.exitStatus();
    }
    std::optional<std::string> saved;
    if (acquisition->saveRequested())
        saved = saveScan(app, *acquisition);

    std::string output;
    if (json) {
        nlohmann::json object = acquisition->failed()
                                    ? failureEnvelope("scan", acquisition->failures().front())
                                    : successEnvelope("scan");
        // What the scan brought, even when a later step (saving) failed.
        if (acquisition->analysed())
            object.update(analysisJson(app, acquisition->result(), matchAnalysis(app, acquisition->result())));
        object["saved"] = saved ? nlohmann::json(*saved) : nlohmann::json(nullptr);
        output = jsonLine(object);
    } else if (acquisition->analysed()) {
        output = analysisText(app, acquisition->result(), matchAnalysis(app, acquisition->result()));
    }
    const bool failed = acquisition->failed();
    // The scanner is shut down (a scan still running is stopped) before the
    // result is written.
    acquisition.reset();
    writeOut(context.out, output);
    return failed ? ExitFailure : ExitSuccess;
}

const CliCommandRegistration registration{CliCommand{"scan", "scan [--json]", cliText::HelpScan, cliText::DetailsScan,
                                                     catalog::GarmentCatalog::Access::Lookup,
                                                     &acceptsScanArguments, &runScan}};

} // namespace

} // namespace vestiscop::app::cli
