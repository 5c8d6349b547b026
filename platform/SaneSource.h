// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One open SANE device acting as a TWAIN source: capability and frame
// settings become SANE options, an enabled source scans on a thread of the
// device's (SaneDevice) and posts one SourceMessage to its parent when the
// image is complete or the scan failed, and the image leaves by native
// transfer as a packed DIB. The reason of a failed scan is kept for
// DAT_STATUS.
//
// Every operation runs on the application's thread and waits for the device
// only a bounded time: a device still busy with an earlier scan when it is
// needed again fails the operation with TWCC_CHECKDEVICEONLINE.
// Destruction stops the scan and closes the device.

#include "platform/SaneDevice.h"
#include "platform/SaneOptions.h"
#include "scanner/Twain.h"

#include <sane/sane.h>

#include <memory>
#include <optional>
#include <string>

namespace vestiscop::platform {

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
    // Whether the device is free for the application's thread, waiting for
    // an earlier scan's end at most a while.
    bool deviceIdle();
    double resolution(bool vertical) const;

    std::shared_ptr<SaneDevice> m_device;
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

    std::uint64_t m_serial = 0;  // of the scan the source waits for
};

} // namespace vestiscop::platform
