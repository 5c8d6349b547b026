// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data source manager over SANE: one session per application identity
// (MSG_OPENDSM assigns its Id), at most one open source per session. SANE
// is initialised with the first session and shut down with the last, so the
// library can be loaded, used and unloaded any number of times in a process.
//
// The default source is the device named by SANE_DEFAULT_DEVICE, else the
// first device SANE lists. No device: TWCC_NODS; a device in use:
// TWCC_MAXCONNECTIONS.
//
// A device that does not come back from a call keeps SANE initialised (and
// the library loaded) after the last session until the call returns.

#include "platform/SaneSource.h"
#include "scanner/Twain.h"

#include <map>
#include <memory>
#include <string>

namespace vestiscop::platform {

class SaneManager {
public:
    SaneManager() = default;
    // Closes whatever the applications left open.
    ~SaneManager();
    SaneManager(const SaneManager&) = delete;
    SaneManager& operator=(const SaneManager&) = delete;

    TW_UINT16 entry(scanner::TW_IDENTITY* origin, scanner::TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 dat, TW_UINT16 msg, void* data);

private:
    struct Session {
        scanner::EventSink* parent = nullptr;
        std::unique_ptr<SaneSource> source;
        TW_UINT16 condition = scanner::TWCC_SUCCESS;
        std::string lastDevice;       // SANE name of the source opened last
        std::string lastProductName;  // and the product name it was given
    };

    TW_UINT16 openManager(scanner::TW_IDENTITY* origin, void* data);
    TW_UINT16 closeManager(scanner::TW_IDENTITY* origin);
    TW_UINT16 openSource(Session& session, scanner::TW_IDENTITY* identity);
    TW_UINT16 closeSource(Session& session, const scanner::TW_IDENTITY* identity);
    // The SANE device name for an open request, or empty (condition set).
    std::string chooseDevice(Session& session, const scanner::TW_IDENTITY& wanted);
    scanner::TW_IDENTITY identityOf(const SANE_Device& device) const;
    TW_UINT16 fail(Session* session, TW_UINT16 condition);

    std::map<TW_UINT32, Session> m_sessions;
    TW_UINT32 m_nextId = 1;
    SANE_Int m_saneVersion = 0;
    // SANE left initialised by a closing session because a device call was
    // still running.
    bool m_saneHeld = false;
    TW_UINT16 m_condition = scanner::TWCC_SUCCESS;  // for callers without a session
};

} // namespace vestiscop::platform
