// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One scan from the Scan command to the saved file, the same for the window
// and the command-line program: the scanner's start-up, the acquisition
// with its time-out and cancelling, the analysis of the image and the
// garment it matches, and the deferred save into the scan archive with its
// log line. Each step is told to the owner as a ScanEvent; the owner only
// shows (or prints) what it hears and says when to save.
//
// A successful scan is heard as Acquired, Analysed, Matched, SaveDue (with
// SaveImage on), Ended; the owner then calls save(), which brings Saved. A
// scan the user calls off brings Cancelled, Ended; one that outlives the
// time-out Ended, TimedOut (the failure told once the scan is stopped); a
// scanner failure Failed, Ended. A scan command
// the scanner refuses brings Failed alone, and a failed start-up too. The
// image is still saved when only its analysis failed (Failed, SaveDue,
// Ended). Failures are never raised out of the session: each is a Failed
// (or TimedOut) event whose error the owner reports.
//
// Threads: everything runs on the owner's thread. The scanner posts its
// messages into the parent given to start(), whose owner offers them back
// through offer(); started without a parent, the session waits on the
// scanner's own queue in await().

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "analysis/Analyser.h"
#include "app/Application.h"
#include "foundation/Exception.h"
#include "imaging/Image.h"
#include "scanner/EventQueue.h"
#include "signature/GarmentSignature.h"

namespace vestiscop::app {

// What a session drives: the scanner (makeScannerSource) or a test's double.
class ScanSource {
public:
    // What the source tells its session, from inside scan(), cancel() and
    // offer().
    class Owner {
    public:
        // The transferred image, top row first.
        virtual void imageArrived(std::unique_ptr<imaging::RgbImage> image) = 0;
        virtual void sourceFailed(const foundation::Exception& error) = 0;
        // The image that arrived is to be saved (SaveImage is on).
        virtual void saveDue() = 0;
        // The acquisition is over, whatever its outcome.
        virtual void sourceEnded() = 0;
        // A line for the log about what the scanner did.
        virtual void sourceNote(const std::string& text) = 0;

    protected:
        ~Owner() = default;
    };

    virtual ~ScanSource() = default;
    void setOwner(Owner& owner) { m_owner = &owner; }

    // Opens the scanner with the given parent (null: the source's own
    // queue). Raises when it cannot.
    virtual void start(scanner::EventSink* parent) = 0;
    // The start-up's log line naming the scanner.
    virtual std::string description() const = 0;
    // Starts an acquisition: true when its answer will come through offer();
    // false when it failed (told to the owner) or one is running already.
    virtual bool scan() = 0;
    // Stops the running acquisition; false when none was running. The owner
    // hears sourceEnded() when one was.
    virtual bool cancel() = 0;
    // Offers a message; true when it was the scanner's.
    virtual bool offer(const void* message) = 0;
    // The queue a source started without a parent waits on, else null.
    virtual scanner::EventQueue* ownQueue() = 0;

protected:
    Owner& owner() { return *m_owner; }

private:
    Owner* m_owner = nullptr;
};

// The programs' scanner: the project's data source manager through
// scanner::Acquisition, loaded from the environment record's manager path.
std::unique_ptr<ScanSource> makeScannerSource(const Application& app);

struct ScanEvent {
    enum class Kind { Acquired, Analysed, Matched, SaveDue, Saved, Cancelled, TimedOut, Failed, Ended };
    // Where a failure happened.
    enum class Stage { Start, Scan, Analysis, Save };

    explicit ScanEvent(Kind what) : kind(what) {}

    Kind kind;
    Stage stage = Stage::Scan;
    // Failed and TimedOut: what to report.
    const foundation::Exception* error = nullptr;
    // Matched: the catalogue slot, -1 for none, and its similarity.
    int slot = -1;
    double similarity = 0;
    // Saved: the file's name.
    std::string file;
};

class ScanListener {
public:
    virtual void scanEvent(const ScanEvent& event) = 0;

protected:
    ~ScanListener() = default;
};

class ScanSession final : private ScanSource::Owner {
public:
    // Whether the session keeps each analysis's garment signature for the
    // catalogue's commands (the window), or lets the recognition measure it
    // only when a garment has one to compare (the command line).
    enum class Signature { Kept, OnlyForMatching };

    // The application and the listener must outlive the session. Without a
    // source the session drives the scanner.
    ScanSession(Application& app, ScanListener& listener, Signature signature,
                std::unique_ptr<ScanSource> source = nullptr);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Starts the scanner and logs which one it is. False after Failed.
    bool start(scanner::EventSink* parent);
    // The Scan command: true when a scan runs and its events will follow.
    bool scan();
    bool scanning() const { return m_scanning; }
    // How long a scan may run: the environment record's time-out.
    std::chrono::milliseconds timeout() const;
    // The user calls the scan off: Cancelled, Ended. Nothing when none runs.
    void cancel();
    // The time-out ran out: Ended, TimedOut. Nothing when no scan runs.
    void timeOut();
    // A message for the scanner; true when it was the scanner's.
    bool offer(const void* message);

    enum class Waited { Ended, TimedOut, Interrupted };
    // Without a parent: takes the scanner's messages until the scan ends,
    // its time-out runs out (timeOut()) or interrupted() says so (cancel()),
    // asking it at least every checkEvery.
    Waited await(const std::function<bool()>& interrupted, std::chrono::milliseconds checkEvery);

    // Analyses an image: Analysed, Matched, or Failed at the analysis. Used
    // for the scanned image and for the window's dropped files.
    bool analyse(std::unique_ptr<imaging::RgbImage> image);
    // Saves the last analysed image into the scan archive and logs it with
    // the description describe() gives once the file is written ("?"
    // without one): Saved, or Failed at the save. Nothing when there is no
    // image (the first scan's image was refused before the analysis).
    void save(const std::function<std::string()>& describe = {});

    const analysis::ScanResult& result() const { return m_analyzer->result(); }
    // The last analysis's garment signature (Signature::Kept only).
    const signature::GarmentSignature& signature() const { return m_signature; }

private:
    void imageArrived(std::unique_ptr<imaging::RgbImage> image) override;
    void sourceFailed(const foundation::Exception& error) override;
    void saveDue() override;
    void sourceEnded() override;
    void sourceNote(const std::string& text) override;

    void emit(ScanEvent event);
    void fail(ScanEvent::Stage stage, const foundation::Exception& error);
    // Runs work; what it throws is a Failed event at stage. False then.
    template <typename Work>
    bool failsAt(ScanEvent::Stage stage, Work work);

    Application& m_app;
    ScanListener& m_listener;
    Signature m_keep;
    std::unique_ptr<ScanSource> m_source;
    std::unique_ptr<analysis::Analyser> m_analyzer;
    signature::GarmentSignature m_signature;
    bool m_scanning = false;
    ScanEvent::Stage m_stage = ScanEvent::Stage::Scan;
    std::chrono::steady_clock::time_point m_deadline;
};

} // namespace vestiscop::app
