// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"

#include <unistd.h>

#include <cerrno>

#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "color/ColorSettingsCheck.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/IniFile.h"
#include "foundation/StringTable.h"

namespace vestiscop::app {

using foundation::SystemError;

namespace {

// The name of the configuration file, looked for in the current directory
// (not the program's), which also holds the log.
constexpr const char* ConfigFileName = "vestiscop.cfg";

// The log line for an environment variable whose value cannot be used.
constexpr int RejectedVariableText = 3105;
constexpr int BorderTermsUnusable = 3402;
constexpr int BorderTermsOtherEntries = 3403;

std::string currentDirectory()
{
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw SystemError(foundation::systemError::Configuration, std::string());
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

} // namespace

Application::Application(ErrorNotifier& notifier, foundation::Environment environment)
    : m_notifier(notifier), m_environment(std::move(environment)), m_messages(foundation::MessageCatalog::application())
{
}

Application::~Application() = default;

bool Application::start(catalog::GarmentCatalog::Access access)
{
    try {
        runStartup(access);
        return true;
    } catch (...) {
        reportCurrentException(MessageIcon::Stop);
        return false;
    }
}

void Application::runStartup(catalog::GarmentCatalog::Access access)
{
    m_startDir = currentDirectory();
    if (m_startDir.empty() || m_startDir.back() != '/')
        m_startDir += '/';

    foundation::IniFile ini(m_startDir + ConfigFileName, ';');
    foundation::readAllSettings(ini, m_settings);
    // Values every key can hold but the analysis cannot work with are refused
    // here, like a malformed entry, before anything else starts.
    color::validateColorSettings(m_settings.color, ini);
    color::validateTextureSettings(m_settings.texture, ini);
    catalog::GarmentCatalog::checkSettings(m_settings.matching, ini.path());

    m_log = std::make_unique<foundation::Log>(m_startDir, m_settings.general.logFile);
    // Separates the runs of the program in the file.
    m_log->writeRaw(std::string());
    for (const foundation::Environment::Rejected& rejected : m_environment.rejected)
        warnInLog(foundation::format(foundation::loadString(RejectedVariableText).c_str(), rejected.variable.c_str(),
                                     rejected.value.c_str(), rejected.used.c_str()));

    m_colorNames = std::make_unique<color::ColorNameTable>(color::ColorNameTable::load(m_settings.color.definitions));
    if (!m_settings.color.borderTerms.empty())
        loadBorderTerms();
    m_catalog = std::make_unique<catalog::GarmentCatalog>(m_settings.matching, access);
    // Optional: without the Signatures key recognition is the classic matching.
    m_recognition = signature::recognitionSettings(m_settings.matching);
    m_recognizer = std::make_unique<signature::Recognizer>(
        *m_catalog, m_settings.matching, m_recognition, m_settings.color, m_settings.scan,
        [this](const std::string& text) { warnInLog(text); });
    // The table is for measuring a scan's signature: a catalogue opened for
    // changes may take a new garment's, one opened to look garments up
    // measures a scan's only when some garment has a signature to compare.
    if (m_recognizer->signaturesOn() &&
        (access == catalog::GarmentCatalog::Access::Changes || m_recognizer->anyUsableEntry()))
        m_signatureTable = signature::prepare(m_settings.texture.width, m_settings.texture.height, m_settings.scan);
}

std::string Application::describeCurrentException(const foundation::MessageCatalog& messages)
{
    try {
        throw;
    } catch (const foundation::Exception& failure) {
        return failure.message(messages, 0);
    } catch (const std::bad_alloc&) {
        // Memory runs out as std::bad_alloc on this platform; the user hears
        // the program's own message for it.
        return SystemError(foundation::systemError::OutOfMemory, std::string()).message(messages, 0);
    } catch (...) {
        return foundation::Exception().message(messages, 0);
    }
}

void Application::reportCurrentException(MessageIcon icon)
{
    reportText(currentExceptionText(), icon);
}

void Application::reportError(const foundation::Exception& failure, MessageIcon icon)
{
    reportText(failure.message(m_messages, 0), icon);
}

void Application::reportText(const std::string& text, MessageIcon icon)
{
    m_notifier.showMessage(text, icon);
    if (!m_log)
        return;
    try {
        m_log->write(foundation::LogLevel::Error, text);
    } catch (const foundation::Exception& failure) {
        // The log cannot take the line; the user at least hears why, and the
        // failure of the log is not itself logged. When the failure just
        // shown was the log's own (at start-up), it is not said twice.
        const std::string logFailure = failure.message(m_messages, 0);
        if (logFailure != text)
            m_notifier.showMessage(logFailure, icon);
    } catch (const std::bad_alloc&) {
        m_notifier.showMessage(
            SystemError(foundation::systemError::OutOfMemory, std::string()).message(m_messages, 0), icon);
    }
}

foundation::Log& Application::log()
{
    if (!m_log)
        throw std::logic_error("the log is not open");
    return *m_log;
}

void Application::loadBorderTerms()
{
    // The second word is an addition to the names: a table that cannot give
    // it leaves every colour its one name, and the log says why.
    const std::string& file = m_settings.color.borderTerms;
    const auto unusable = [&](const std::string& why) {
        warnInLog(foundation::format(foundation::loadString(BorderTermsUnusable).c_str(), file.c_str(), why.c_str()));
    };
    std::optional<color::ColorNameTable> terms;
    try {
        terms.emplace(color::ColorNameTable::load(file));
    } catch (const foundation::Exception&) {
        unusable(currentExceptionText());
        return;
    }
    try {
        m_borderTerms = std::make_unique<color::BorderTerms>(*m_colorNames, *terms);
    } catch (const foundation::ParseError&) {
        unusable(foundation::loadString(BorderTermsOtherEntries));
    }
}

std::unique_ptr<analysis::Analyser> Application::makeAnalyzer() const
{
    return analysis::makeAnalyser(improvedAnalysis(), color(), texture(), scan(), colorNames(),
                                  [this](const std::string& note) { warnInLog(note); });
}

void Application::warnInLog(const std::string& text) const
{
    // A note the log cannot take stops nothing: the start and the analysis
    // it is about work either way, and the next failure reports the full log.
    try {
        if (m_log)
            m_log->write(foundation::LogLevel::Warn, text);
    } catch (const foundation::SystemError&) {
    }
}

const color::ColorNameTable& Application::colorNames() const
{
    if (!m_colorNames)
        throw std::logic_error("the colour name table is not loaded");
    return *m_colorNames;
}

signature::Recognizer& Application::recognizer()
{
    if (!m_recognizer)
        throw std::logic_error("the catalogue is not open");
    return *m_recognizer;
}

catalog::GarmentCatalog& Application::catalog()
{
    if (!m_catalog)
        throw std::logic_error("the catalogue is not open");
    return *m_catalog;
}

} // namespace vestiscop::app
