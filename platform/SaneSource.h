// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One open SANE device acting as a TWAIN source: capability and frame
// settings become SANE options, an enabled source scans on its own thread
// and posts one SourceMessage to its parent when the image is complete or
// the scan failed, and the image leaves by native transfer as a packed DIB.
// The reason of a failed scan is kept for DAT_STATUS.
//
// Every operation except the worker's runs on the application's thread.
// Destruction stops the worker and closes the device.

#include "platform/DibAssembler.h"
#include "platform/SaneOptions.h"
#include "scanner/Twain.h"

#include <sane/sane.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vestiscop::platform {

using scanner::TW_UINT16;
using scanner::TW_UINT32;

// The TWAIN condition that stands for a SANE status.
TW_UINT16 conditionOf(SANE_Status status);

class SaneSource {
public:
    SaneSource(SANE_Handle handle, const scanner::TW_IDENTITY& identity, scanner::EventSink* parent);
    ~SaneSource();
    SaneSource(const SaneSource&) = delete;
    SaneSource& operator=(const SaneSource&) = delete;

    const scanner::TW_IDENTITY& identity() const { return m_identity; }
    // A triplet addressed to this source; the condition is kept for DAT_STATUS.
    TW_UINT16 entry(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, void* data);

private:
    enum class Outcome { Scanning, Image, Failed, Cancelled };

    TW_UINT16 fail(TW_UINT16 condition);
    TW_UINT16 succeed();
    TW_UINT16 setCapability(const scanner::TW_CAPABILITY* capability);
    // MSG_GETCURRENT of this platform's own capabilities, written into the
    // caller's one-value container.
    TW_UINT16 getCapability(const scanner::TW_CAPABILITY* capability);
    TW_UINT16 setColourMode();
    TW_UINT16 setResolution(bool vertical, double dpi);
    TW_UINT16 setLayout(const scanner::TW_IMAGELAYOUT* layout);
    TW_UINT16 enable(const scanner::TW_USERINTERFACE* userInterface);
    void stop();
    TW_UINT16 processEvent(scanner::TW_EVENT* event);
    TW_UINT16 transfer(scanner::TW_HANDLE* image);
    TW_UINT16 pendingTransfers(TW_UINT16 msg, scanner::TW_PENDINGXFERS* pending);

    // The worker: one image from the device, then one message to the parent.
    void scan(std::uint64_t serial, double xDpi, double yDpi);
    // sane_start, waiting while the device warms up; SANE_STATUS_WARMING_UP
    // still when the wait ran out or the scan is being stopped.
    SANE_Status start();
    void finishScan(std::uint64_t serial, Outcome outcome, TW_UINT16 condition, scanner::TW_HANDLE image);
    double resolution(bool vertical) const;

    SANE_Handle m_handle;
    SaneOptions m_options;
    scanner::TW_IDENTITY m_identity;
    scanner::EventSink* m_parent;
    int m_state = 4;
    TW_UINT16 m_condition = scanner::TWCC_SUCCESS;
    // The horizontal resolution set on a device with one resolution option.
    std::optional<double> m_horizontalRequest;
    // Adapting to the device (CAP_ADAPTTODEVICE) and, with one resolution
    // option, the vertical resolution asked for.
    bool m_adapt = false;
    std::optional<double> m_verticalRequest;

    std::thread m_worker;
    std::atomic<bool> m_stopping{false};
    std::mutex m_lock;  // guards the fields below, shared with the worker
    std::condition_variable m_done;
    bool m_finished = true;
    std::uint64_t m_serial = 0;
    Outcome m_outcome = Outcome::Scanning;
    TW_UINT16 m_failure = scanner::TWCC_SUCCESS;
    scanner::TW_HANDLE m_image = nullptr;
    bool m_announced = false;
    std::atomic<unsigned> m_warmupSeconds{0};
};

} // namespace vestiscop::platform
