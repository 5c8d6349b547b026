// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The root of ownership of a Vestiscop program, windowed or command-line.
// It owns, for the whole run, the message catalogue, the five settings
// records, the log, the colour name table and the garment catalogue; the
// window and the commands reach all of them, and reportError, through it.
//
// start() runs the one start-up sequence both programs share, in this order:
// vestiscop.cfg in the current directory is read into the settings records
// (General, Scan, Color, Texture, Matching) and checked for values the
// analysis cannot use; the log is opened for appending and gets one empty
// line; the colour name table is loaded from Definitions; the catalogue opens
// Materials. A failure ends the sequence: it is reported with the stop icon
// (logged too once the log exists) and start() returns false; whatever was
// created stays owned here. Accessors of parts that were not created throw
// std::logic_error.
//
// The optional keys are read and checked with the others
// (foundation/Settings.h). [Texture] Analysis chooses the analysis every
// scan gets, absent or "standard" the standard one, "improved" the fabric
// analysis (analysis/ImprovedAnalyser.h); makeAnalyzer() is the one place
// that builds it.
//
// Single-threaded, like the rest of the program.

#include <future>
#include <memory>
#include <string>

#include "app/ErrorNotifier.h"
#include "catalog/GarmentCatalog.h"
#include "analysis/Analyser.h"
#include "color/BorderTerms.h"
#include "color/ColorNameTable.h"
#include "foundation/Environment.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "foundation/MessageCatalog.h"
#include "foundation/Settings.h"
#include "signature/Recognizer.h"

namespace vestiscop::app {

class Application {
public:
    // The notifier must outlive the application object. The environment
    // record is the one the program read when it started; start() writes
    // the variables it rejected to the log, each as a WARN line.
    explicit Application(ErrorNotifier& notifier,
                         foundation::Environment environment = foundation::Environment::read());
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up sequence. Access::Lookup is for a program that never
    // changes the catalogue (it then takes no lock on the file).
    bool start(catalog::GarmentCatalog::Access access = catalog::GarmentCatalog::Access::Changes);

    // Shows the failure's text through the notifier, then writes the same
    // text as an ERROR line to the log if the log exists.
    void reportError(const foundation::Exception& failure, MessageIcon icon);
    // For catch (...) blocks: reports the exception being handled. Our own
    // exceptions as they are, std::bad_alloc as SystemError 0 ("Došla
    // paměť"), anything else as the unknown Exception. Must be called while
    // an exception is being handled.
    void reportCurrentException(MessageIcon icon);
    // The text reportError would show for the exception being handled.
    std::string currentExceptionText() const { return describeCurrentException(m_messages); }
    // The same, for places that have no application object (yet).
    static std::string describeCurrentException(const foundation::MessageCatalog& messages);
    // Shows and logs a text that no exception carries.
    void reportText(const std::string& text, MessageIcon icon);

    const foundation::MessageCatalog& messages() const { return m_messages; }
    const foundation::Environment& environment() const { return m_environment; }
    // The current directory at start-up, ending in '/'.
    const std::string& startDir() const { return m_startDir; }
    const foundation::GeneralSettings& general() const { return m_settings.general; }
    const foundation::ScanSettings& scan() const { return m_settings.scan; }
    const foundation::ColorSettings& color() const { return m_settings.color; }
    const foundation::TextureSettings& texture() const { return m_settings.texture; }
    const foundation::MatchingSettings& matching() const { return m_settings.matching; }
    bool hasLog() const { return m_log != nullptr; }
    foundation::Log& log();
    const color::ColorNameTable& colorNames() const;
    // The basic terms of the table's entries, for a second word where a
    // colour lies near the border of two ([Color] BorderTerms); null when
    // not configured.
    const color::BorderTerms* borderTerms() const { return m_borderTerms.get(); }
    // Whether the configuration chose the improved analysis.
    bool improvedAnalysis() const { return m_settings.texture.analysis == foundation::AnalysisKind::Improved; }
    // An analyser with the configured settings and colour table, improved
    // when the configuration says so; its notes go to the log when there is
    // one. It refers to this object's settings, table and log, so it must
    // not outlive it.
    std::unique_ptr<analysis::Analyser> makeAnalyzer() const;
    catalog::GarmentCatalog& catalog();
    // Recognition and the catalogue edits that keep the garment signatures
    // beside the catalogue (the classic matching alone without them).
    signature::Recognizer& recognizer();

private:
    void runStartup(catalog::GarmentCatalog::Access access);
    void loadBorderTerms();
    // A WARN line when the log exists and takes it.
    void warnInLog(const std::string& text) const;

    ErrorNotifier& m_notifier;
    foundation::Environment m_environment;
    foundation::MessageCatalog m_messages;
    std::string m_startDir;
    std::unique_ptr<foundation::Log> m_log;
    foundation::AllSettings m_settings;
    std::unique_ptr<color::ColorNameTable> m_colorNames;
    std::unique_ptr<color::BorderTerms> m_borderTerms;
    std::unique_ptr<catalog::GarmentCatalog> m_catalog;
    signature::RecognitionSettings m_recognition;
    std::unique_ptr<signature::Recognizer> m_recognizer;
    // The signatures' frequency table, made beside the first picture's
    // reading (signature::prepare); waited for, if still being made, when
    // the application ends.
    std::future<void> m_signatureTable;
};

} // namespace vestiscop::app
