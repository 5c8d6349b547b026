// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScanSession.h"

#include <algorithm>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "imaging/ScanArchive.h"
#include "scanner/Acquisition.h"
#include "signature/Recognizer.h"

namespace vestiscop::app {

namespace {

// The scanner as a session's source: the acquisition's calls go to the
// session that owns it.
class ScannerSource final : public ScanSource, private scanner::Acquisition {
public:
    explicit ScannerSource(const Application& app) : Acquisition(app.scan(), app.general().saveImage)
    {
        setManagerPath(app.environment().managerPath);
    }
    // The scanner stops before the session it would tell goes.
    ~ScannerSource() override { shutdown(); }

    void start(scanner::EventSink* parent) override { Acquisition::start(parent); }
    std::string description() const override { return scannerDescription(); }
    bool scan() override { return Acquisition::scan(); }
    bool cancel() override { return cancelAcquisition(); }
    bool offer(const void* message) override { return offerEvent(message); }
    scanner::EventQueue* ownQueue() override { return hiddenWindow(); }

private:
    void acceptImage(std::unique_ptr<imaging::RgbImage> image) override { owner().imageArrived(std::move(image)); }
    void reportError(const foundation::Exception& error) override { owner().sourceFailed(error); }
    void postSaveScan() override { owner().saveDue(); }
    void acquisitionEnded() override { owner().sourceEnded(); }
    void logNote(const std::string& text) override { owner().sourceNote(text); }
};

} // namespace

std::unique_ptr<ScanSource> makeScannerSource(const Application& app)
{
    return std::make_unique<ScannerSource>(app);
}

ScanSession::ScanSession(Application& app, ScanListener& listener, Signature signature,
                         std::unique_ptr<ScanSource> source)
    : m_app(app),
      m_listener(listener),
      m_keep(signature),
      m_source(source ? std::move(source) : makeScannerSource(app)),
      m_analyzer(app.makeAnalyzer())
{
    m_source->setOwner(*this);
}

// The source goes first: a scan it stops may still tell the session.
ScanSession::~ScanSession()
{
    m_source.reset();
}

void ScanSession::emit(ScanEvent event)
{
    m_listener.scanEvent(event);
}

void ScanSession::fail(ScanEvent::Stage stage, const foundation::Exception& error)
{
    ScanEvent event{ScanEvent::Kind::Failed};
    event.stage = stage;
    event.error = &error;
    emit(std::move(event));
}

template <typename Work>
bool ScanSession::failsAt(ScanEvent::Stage stage, Work work)
{
    try {
        work();
        return true;
    } catch (const foundation::Exception& error) {
        fail(stage, error);
    } catch (const std::bad_alloc&) {
        fail(stage, foundation::SystemError(foundation::systemError::OutOfMemory, std::string()));
    } catch (...) {
        // Anything else is told as the program's unknown failure.
        fail(stage, foundation::Exception());
    }
    return false;
}

bool ScanSession::start(scanner::EventSink* parent)
{
    return failsAt(ScanEvent::Stage::Start, [&] {
        m_source->start(parent);
        m_app.log().write(foundation::LogLevel::Info, m_source->description());
    });
}

bool ScanSession::scan()
{
    if (m_scanning)
        return false;
    m_stage = ScanEvent::Stage::Scan;
    if (!m_source->scan())
        return false;
    m_scanning = true;
    m_deadline = std::chrono::steady_clock::now() + timeout();
    return true;
}

std::chrono::milliseconds ScanSession::timeout() const
{
    return m_app.environment().scanTimeout;
}

void ScanSession::cancel()
{
    if (!m_scanning)
        return;
    // Told before the scan ends: the owner says it on the way back.
    emit(ScanEvent{ScanEvent::Kind::Cancelled});
    // The scanner cancels the device, joins its worker and drops whatever
    // the cancelled scan still posts; it ends the scan through sourceEnded().
    if (!m_source->cancel())
        sourceEnded();
}

void ScanSession::timeOut()
{
    if (!m_scanning)
        return;
    if (!m_source->cancel())
        sourceEnded();
    // Told once the scan is over: the owner's report comes after the scan's end.
    const foundation::SystemError error(foundation::systemError::TimedOut, std::string());
    ScanEvent event{ScanEvent::Kind::TimedOut};
    event.error = &error;
    emit(std::move(event));
}

bool ScanSession::offer(const void* message)
{
    return m_source->offer(message);
}

ScanSession::Waited ScanSession::await(const std::function<bool()>& interrupted, std::chrono::milliseconds checkEvery)
{
    scanner::EventQueue* queue = m_source->ownQueue();
    while (m_scanning) {
        if (interrupted()) {
            cancel();
            return Waited::Interrupted;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= m_deadline) {
            timeOut();
            return Waited::TimedOut;
        }
        const auto until = std::min(m_deadline, now + checkEvery);
        if (queue == nullptr) {
            // Started with a parent: its owner offers the messages.
            std::this_thread::sleep_until(until);
            continue;
        }
        if (const std::optional<scanner::SourceMessage> message = queue->take(until))
            offer(&*message);
    }
    return Waited::Ended;
}

bool ScanSession::analyse(std::unique_ptr<imaging::RgbImage> image)
{
    const ScanEvent::Stage stage = m_stage;
    m_stage = ScanEvent::Stage::Analysis;
    const bool analysed = failsAt(ScanEvent::Stage::Analysis, [&] {
        m_analyzer->analyze(std::move(image));
        emit(ScanEvent{ScanEvent::Kind::Analysed});
        ScanEvent matched{ScanEvent::Kind::Matched};
        const analysis::ScanResult& scanned = m_analyzer->result();
        signature::Recognizer& recognizer = m_app.recognizer();
        if (m_keep == Signature::Kept) {
            m_signature = recognizer.describe(scanned);
            matched.slot = recognizer.findMatch(scanned.record, m_signature, matched.similarity);
        } else {
            matched.slot = recognizer.findMatch(scanned, matched.similarity);
        }
        emit(std::move(matched));
    });
    m_stage = stage;
    return analysed;
}

void ScanSession::save(const std::function<std::string()>& describe)
{
    const imaging::RgbImage* image = m_analyzer->result().image;
    if (image == nullptr)
        return;
    failsAt(ScanEvent::Stage::Save, [&] {
        const foundation::GeneralSettings& general = m_app.general();
        ScanEvent saved{ScanEvent::Kind::Saved};
        saved.file = imaging::saveScan(*image, m_app.startDir(), general.saveDir, general.saveFormat);
        const std::string description = describe ? describe() : std::string("?");
        m_app.log().write(foundation::LogLevel::Info, foundation::format("Nasnímán a uložen obrázek %s (%s)",
                                                                         saved.file.c_str(), description.c_str()));
        emit(std::move(saved));
    });
}

void ScanSession::imageArrived(std::unique_ptr<imaging::RgbImage> image)
{
    emit(ScanEvent{ScanEvent::Kind::Acquired});
    analyse(std::move(image));
}

void ScanSession::sourceFailed(const foundation::Exception& error)
{
    fail(m_stage, error);
}

void ScanSession::saveDue()
{
    emit(ScanEvent{ScanEvent::Kind::SaveDue});
}

void ScanSession::sourceEnded()
{
    if (!m_scanning)
        return;
    m_scanning = false;
    emit(ScanEvent{ScanEvent::Kind::Ended});
}

void ScanSession::sourceNote(const std::string& text)
{
    if (m_app.hasLog())
        m_app.log().write(foundation::LogLevel::Info, text);
}

} // namespace vestiscop::app
