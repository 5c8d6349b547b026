// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-cli scan [--json]: one acquisition exactly like pressing Scan in
// the window (the same start-up of the scanner, negotiation and transfer),
// then the analysis and output of "analyze", then, when SaveImage is on, the
// saved scan with the description "?". The scanner's answer is awaited for
// at most the environment's scan time-out (VESTISCOP_SCAN_TIMEOUT, 120 s
// unless set): a scan that brings nothing by then ends with "Čas pro
// operaci vypršel". The scan itself is the window's scan session
// (app/ScanSession.h).

#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/AnalysisOutput.h"
#include "app/cli/CliCommand.h"
#include "app/cli/CliTextIds.h"
#include "app/cli/ScanInterruption.h"
#include "app/ScanSession.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

namespace {

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

// What the scan session tells the command: failures go to standard error
// and the log and are kept for the JSON line, the saved file's name is kept.
class ScanReport final : public ScanListener {
public:
    explicit ScanReport(Application& app) : m_app(app) {}

    void scanEvent(const ScanEvent& event) override
    {
        switch (event.kind) {
        case ScanEvent::Kind::Failed:
        case ScanEvent::Kind::TimedOut:
            m_failures.push_back(event.error->message(m_app.messages(), 0));
            m_app.reportError(*event.error, MessageIcon::Exclamation);
            break;
        case ScanEvent::Kind::Matched:
            m_matched = CatalogMatch{event.slot, event.similarity};
            break;
        case ScanEvent::Kind::SaveDue:
            m_saveDue = true;
            break;
        case ScanEvent::Kind::Saved:
            m_saved = event.file;
            break;
        default:
            break;
        }
    }

    bool failed() const { return !m_failures.empty(); }
    const std::vector<std::string>& failures() const { return m_failures; }
    bool saveDue() const { return m_saveDue; }
    const std::optional<std::string>& saved() const { return m_saved; }
    // The garment the analysed scan matches; none without an analysis.
    const std::optional<CatalogMatch>& matched() const { return m_matched; }

private:
    Application& m_app;
    std::vector<std::string> m_failures;
    bool m_saveDue = false;
    std::optional<std::string> m_saved;
    std::optional<CatalogMatch> m_matched;
};

int runScan(CliContext& context)
{
    Application& app = context.app;
    const bool json = !context.arguments.empty();

    const ScanInterruption interruption;
    ScanReport report(app);
    auto session = std::make_unique<ScanSession>(app, report, ScanSession::Signature::OnlyForMatching);
    const auto interrupted = [&interruption] { return interruption.signal() != 0; };
    if (session->start(nullptr) && !interrupted() && session->scan())
        session->await(interrupted, ScanInterruption::CheckInterval);
    if (interrupted()) {
        // Cancelled and closed; nothing of the scan is kept or written.
        session.reset();
        const std::string text = foundation::loadString(ScanInterruption::InterruptedText);
        app.log().write(foundation::LogLevel::Warn, text);
        std::fprintf(stderr, "%s\n", text.c_str());
        return interruption.exitStatus();
    }
    // The image is saved with the description "?", as the window saves it
    // when it asks for none.
    if (report.saveDue())
        session->save();

    std::string output;
    if (json) {
        nlohmann::json object =
            report.failed() ? failureEnvelope("scan", report.failures().front()) : successEnvelope("scan");
        // What the scan brought, even when a later step (saving) failed.
        if (report.matched())
            object.update(analysisJson(app, session->result(), *report.matched()));
        object["saved"] = report.saved() ? nlohmann::json(*report.saved()) : nlohmann::json(nullptr);
        output = jsonLine(object);
    } else if (report.matched()) {
        output = analysisText(app, session->result(), *report.matched());
    }
    // The scanner is shut down (a scan still running is stopped) before the
    // result is written.
    session.reset();
    writeOut(context.out, output);
    return report.failed() ? ExitFailure : ExitSuccess;
}

const CliCommandRegistration registration{CliCommand{"scan", "scan [--json]", cliText::HelpScan, cliText::DetailsScan,
                                                     catalog::GarmentCatalog::Access::Lookup,
                                                     &acceptsScanArguments, &runScan}};

} // namespace

} // namespace vestiscop::app::cli
