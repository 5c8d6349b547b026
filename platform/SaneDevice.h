// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One open SANE device, shared by its source (on the application's thread)
// and the threads that call the device for it: the scan, a cancel from
// outside, the close. Each of these calls runs on a thread of its own, so
// the source waits for a device only a bounded time and the program stays
// usable even when a device never comes back from a read, a cancel or a
// close. A thread the source stopped waiting for touches nothing but this
// object from then on: it posts nothing, and the device is closed by
// whichever thread leaves it last.
//
// A scan's outcome is published, and posted to the parent, the moment the
// device answers: before the scan is ended on the device, so a device that
// hangs while ending a scan cannot hold back its own failure.

#include "scanner/Twain.h"

#include <sane/sane.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace vestiscop::platform {

using scanner::TW_UINT16;
using scanner::TW_UINT32;

// The TWAIN condition that stands for a SANE status.
TW_UINT16 conditionOf(SANE_Status status);

// Whether any thread is inside a call to a device (SANE must stay
// initialised and loaded while one is).
bool deviceCallsRunning();

class SaneDevice : public std::enable_shared_from_this<SaneDevice> {
public:
    enum class Outcome { Scanning, Image, Failed, Cancelled };
    using Clock = std::chrono::steady_clock;

    // How long the source waits for a device: for a stopping scan in all
    // (the environment record's scannerStop), of which the first
    // third for the scan to notice by itself before the device is told to
    // cancel from outside; for a close; for a device still ending an
    // earlier scan before it is used again.
    static Clock::duration stopLimit();

    explicit SaneDevice(SANE_Handle handle) : m_handle(handle) {}
    // Frees an image nobody took.
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    SANE_Handle handle() const { return m_handle; }

    // True when no thread is inside a call to the device by the deadline,
    // so the application's thread may use it.
    bool waitIdle(Clock::time_point deadline);

    // Starts one scan on a thread of its own; its outcome is posted to
    // parent as {sourceId, the returned serial}. None when no thread could
    // be started.
    std::optional<std::uint64_t> startScan(scanner::EventSink* parent, TW_UINT32 sourceId, double xDpi, double yDpi);
    // Stops the running scan, if any, within stopLimit(): nothing is posted
    // for it afterwards, and its image, if any, is dropped.
    void stop();
    // The outcome of scan serial when it is known and not yet announced
    // (then it counts as announced), with the condition of a failure.
    std::optional<Outcome> announce(std::uint64_t serial, TW_UINT16& failure);
    // The image of the announced scan; the caller owns it.
    scanner::TW_HANDLE takeImage();
    void dropImage();
    unsigned warmupSeconds() const { return m_warmupSeconds; }

    // Closes the device, waiting at most stopLimit(); a device still in use
    // by a thread the source stopped waiting for is closed by that thread.
    void close();

private:
    // Runs call on a thread of its own, counted as inside the device.
    // False when no thread could be started.
    bool launch(std::function<void(SaneDevice&)> call);
    // Ends a call: the last thread to leave a device that is to be closed
    // closes it.
    void leave();

    // The scan thread: one image from the device, its outcome published,
    // then the scan ended on the device.
    void scan(double xDpi, double yDpi);
    // sane_start, waiting while the device warms up; SANE_STATUS_WARMING_UP
    // still when the wait ran out or the scan is being stopped.
    SANE_Status start();
    // Records the outcome and, unless the scan was stopped, posts it.
    void publish(Outcome outcome, TW_UINT16 condition, scanner::TW_HANDLE image);

    const SANE_Handle m_handle;
    std::atomic<bool> m_stopping{false};
    std::atomic<unsigned> m_warmupSeconds{0};

    mutable std::mutex m_lock;  // guards the fields below
    std::condition_variable m_changed;
    int m_calls = 0;  // threads inside a call to the device
    bool m_closeRequested = false;
    bool m_closed = false;
    scanner::EventSink* m_parent = nullptr;  // null once the scan is stopped
    TW_UINT32 m_sourceId = 0;
    std::uint64_t m_serial = 0;
    bool m_running = false;  // a scan whose outcome is not yet known
    Outcome m_outcome = Outcome::Scanning;
    TW_UINT16 m_failure = scanner::TWCC_SUCCESS;
    scanner::TW_HANDLE m_image = nullptr;
    bool m_announced = false;
};

} // namespace vestiscop::platform
