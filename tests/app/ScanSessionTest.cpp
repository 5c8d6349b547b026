// SPDX-License-Identifier: GPL-3.0-or-later
// The scan session's rules as one table of event sequences. A scripted
// source stands in for the scanner: the test says what it does (an image,
// a failure, nothing) and the session's events are compared as text.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/DroppedFile.h"
#include "app/ScanSession.h"
#include "foundation/Exception.h"
#include "support/ProgramFiles.h"
#include "support/ScratchDirectory.h"

using namespace vestiscop;
using app::ScanEvent;
using app::ScanSession;
using testsupport::ScratchDirectory;

namespace {

class QuietNotifier final : public app::ErrorNotifier {
public:
    void showMessage(const std::string&, app::MessageIcon) override {}
};

// The scanner as the test scripts it.
class ScriptedSource final : public app::ScanSource {
public:
    bool startFails = false;
    bool scanRefused = false;
    bool running = false;
    int cancels = 0;
    // What offer() does with the scanner's message: deliver this image.
    std::unique_ptr<imaging::RgbImage> answer;
    scanner::EventQueue queue;

    void start(scanner::EventSink*) override
    {
        if (startFails)
            throw foundation::ScannerError(0, "load library");
    }
    std::string description() const override { return "Použit skener Zkušební (Test - 1.0)"; }
    bool scan() override
    {
        if (running)
            return false;
        if (scanRefused) {
            owner().sourceFailed(foundation::ScannerError(1, "enable source"));
            return false;
        }
        running = true;
        return true;
    }
    bool cancel() override
    {
        if (!running)
            return false;
        ++cancels;
        running = false;
        owner().sourceEnded();
        return true;
    }
    bool offer(const void* message) override
    {
        if (message == nullptr || !answer)
            return false;
        deliver(std::move(answer), true);
        return true;
    }
    scanner::EventQueue* ownQueue() override { return &queue; }

    // The scanner's answers.
    void deliver(std::unique_ptr<imaging::RgbImage> image, bool saveImage)
    {
        running = false;
        owner().imageArrived(std::move(image));
        if (saveImage)
            owner().saveDue();
        owner().sourceEnded();
    }
    void fail(const foundation::Exception& error)
    {
        running = false;
        owner().sourceFailed(error);
        owner().sourceEnded();
    }
};

class Recorder final : public app::ScanListener {
public:
    void scanEvent(const ScanEvent& event) override
    {
        static const char* const kinds[] = {"Acquired", "Analysed",  "Matched", "SaveDue", "Saved",
                                            "Cancelled", "TimedOut", "Failed",  "Ended"};
        static const char* const stages[] = {"start", "scan", "analysis", "save"};
        std::string line = kinds[static_cast<int>(event.kind)];
        if (event.kind == ScanEvent::Kind::Matched)
            line += " " + std::to_string(event.slot);
        if (event.kind == ScanEvent::Kind::Failed)
            line += std::string(" at ") + stages[static_cast<int>(event.stage)];
        if (event.error != nullptr)
            line += ": " + event.error->message(foundation::MessageCatalog::application(), 0);
        // The scratch directory's name changes from run to run.
        if (const std::size_t at = line.find(directory); !directory.empty() && at != std::string::npos)
            line.replace(at, directory.size(), "DIR");
        if (event.kind == ScanEvent::Kind::Saved)
            saved = event.file;
        events.push_back(line);
    }
    std::string directory;
    std::vector<std::string> events;
    std::string saved;
};

// What a row's steps work with.
struct Bench {
    ScratchDirectory& dir;
    app::Application& app;
    ScanSession& session;
    ScriptedSource& source;
    Recorder& recorder;

    std::unique_ptr<imaging::RgbImage> redPicture() const { return app::loadDroppedFile(dir.file("red.bmp")); }
    // Too small for the analysed region.
    static std::unique_ptr<imaging::RgbImage> tinyPicture() { return imaging::RgbImage::create(20, 20); }
};

struct Row {
    const char* what;
    std::function<void(Bench&)> steps;
    std::vector<std::string> events;
    std::function<void(Bench&)> afterwards = {};
};

std::string lastLogLine(const ScratchDirectory& dir)
{
    std::string log = dir.read("vestiscop.log");
    while (!log.empty() && log.back() == '\n')
        log.pop_back();
    return log.substr(log.rfind('\n') + 1);
}

const std::vector<Row> Rows = {
    {"an image, analysed, unknown, saved",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(b.redPicture(), true);
         b.session.save();
     },
     {"Acquired", "Analysed", "Matched -1", "SaveDue", "Ended", "Saved"},
     [](Bench& b) {
         EXPECT_TRUE(b.dir.exists("skeny/" + b.recorder.saved)) << b.recorder.saved;
         EXPECT_NE(lastLogLine(b.dir).find("Nasnímán a uložen obrázek " + b.recorder.saved + " (?)"),
                   std::string::npos);
     }},
    {"an image not to be saved",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(b.redPicture(), false);
     },
     {"Acquired", "Analysed", "Matched -1", "Ended"}},
    {"the description given when the file is written",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(b.redPicture(), true);
         b.session.save([] { return std::string("modré tričko"); });
     },
     {"Acquired", "Analysed", "Matched -1", "SaveDue", "Ended", "Saved"},
     [](Bench& b) { EXPECT_NE(lastLogLine(b.dir).find(" (modré tričko)"), std::string::npos); }},
    {"a garment of the catalogue recognised",
     [](Bench& b) {
         ASSERT_TRUE(b.session.analyse(b.redPicture()));
         b.app.recognizer().add(b.session.result(), "Tričko");
         b.recorder.events.clear();
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(b.redPicture(), false);
     },
     {"Acquired", "Analysed", "Matched 0", "Ended"}},
    {"an image the analysis cannot use is still saved",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(Bench::tinyPicture(), true);
     },
     {"Acquired", "Failed at analysis: Příliš malý vstupní obrázek", "SaveDue", "Ended"}},
    {"the save fails",
     [](Bench& b) {
         b.dir.write("skeny", "a file where the archive should be");
         ASSERT_TRUE(b.session.scan());
         b.source.deliver(b.redPicture(), true);
         b.session.save();
     },
     {"Acquired", "Analysed", "Matched -1", "SaveDue", "Ended", "Failed at save: Nelze otevřít soubor DIR/skeny/scan000.bmp"}},
    {"nothing to save before any analysis", [](Bench& b) { b.session.save(); }, {}},
    {"the time-out",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.session.timeOut();
         b.session.timeOut();
     },
     {"Ended", "TimedOut: Čas pro operaci vypršel"},
     [](Bench& b) { EXPECT_EQ(b.source.cancels, 1); }},
    {"called off by the user",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.session.cancel();
         EXPECT_FALSE(b.session.scanning());
     },
     {"Cancelled", "Ended"},
     [](Bench& b) { EXPECT_EQ(b.source.cancels, 1); }},
    {"nothing to call off", [](Bench& b) { b.session.cancel(); }, {}},
    {"the scanner fails",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.fail(foundation::ScannerError(2, "zaseknutý papír"));
     },
     {"Failed at scan: Selhání skeneru (zaseknutý papír)", "Ended"}},
    {"the scan command refused",
     [](Bench& b) {
         b.source.scanRefused = true;
         EXPECT_FALSE(b.session.scan());
         EXPECT_FALSE(b.session.scanning());
     },
     {"Failed at scan: Skener je právě používán jinou aplikací"}},
    {"a second scan while one runs",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         EXPECT_FALSE(b.session.scan());
     },
     {}},
    {"the wait ends with the scanner's answer",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         b.source.answer = b.redPicture();
         scanner::SourceMessage message;
         message.magic = scanner::SourceMessage::Magic;
         b.source.queue.post(message);
         EXPECT_EQ(b.session.await([] { return false; }, std::chrono::milliseconds(10)),
                   ScanSession::Waited::Ended);
     },
     {"Acquired", "Analysed", "Matched -1", "SaveDue", "Ended"}},
    {"the wait interrupted",
     [](Bench& b) {
         ASSERT_TRUE(b.session.scan());
         EXPECT_EQ(b.session.await([] { return true; }, std::chrono::milliseconds(10)),
                   ScanSession::Waited::Interrupted);
     },
     {"Cancelled", "Ended"}},
};

// Runs in a fresh directory that holds a started application's files and
// a picture, as the program's current directory.
class Workplace {
public:
    Workplace() : m_previous(std::filesystem::current_path())
    {
        dir.write("vestiscop.cfg", testsupport::testConfiguration());
        dir.write("colors.txt", testsupport::testColorTable());
        dir.write("red.bmp", testsupport::redWhiteBmp(40));
        std::filesystem::current_path(dir.path());
    }
    ~Workplace() { std::filesystem::current_path(m_previous); }
    Workplace(const Workplace&) = delete;
    Workplace& operator=(const Workplace&) = delete;

    ScratchDirectory dir;
    QuietNotifier notifier;

private:
    std::filesystem::path m_previous;
};

TEST(ScanSession, EachCourseOfAScanIsHeardAsItsEvents)
{
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.what);
        Workplace place;
        app::Application app(place.notifier);
        ASSERT_TRUE(app.start());
        Recorder recorder;
        recorder.directory = place.dir.path();
        auto owned = std::make_unique<ScriptedSource>();
        ScriptedSource& source = *owned;
        ScanSession session(app, recorder, ScanSession::Signature::Kept, std::move(owned));
        ASSERT_TRUE(session.start(nullptr));
        Bench bench{place.dir, app, session, source, recorder};
        row.steps(bench);
        EXPECT_EQ(recorder.events, row.events);
        if (row.afterwards)
            row.afterwards(bench);
    }
}

TEST(ScanSession, AScannerThatDoesNotStartIsAFailureOfTheStart)
{
    Workplace place;
    app::Application app(place.notifier);
    ASSERT_TRUE(app.start());
    Recorder recorder;
    auto source = std::make_unique<ScriptedSource>();
    source->startFails = true;
    ScanSession session(app, recorder, ScanSession::Signature::OnlyForMatching, std::move(source));
    EXPECT_FALSE(session.start(nullptr));
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].rfind("Failed at start: ", 0), 0u) << recorder.events[0];
}

} // namespace
