// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted data source manager for the connection's tests. It is a shared
// library the test links and the connection loads again through
// VESTISCOP_TWAIN_MANAGER, so both reach the same instance: the test writes
// the script, the connection calls DSM_Entry, and every call is recorded.

#include "scanner/Twain.h"

#include <deque>
#include <map>
#include <tuple>
#include <vector>

namespace vestiscop::scanner::fake {

struct Call {
    bool toSource = false;  // a destination was given
    TW_UINT32 group = 0;
    TW_UINT16 dat = 0;
    TW_UINT16 msg = 0;
    // Copies of the data, where the triplet has them.
    TW_UINT16 capability = 0;
    TW_UINT16 containerType = 0;
    TW_ONEVALUE value{};
    TW_IMAGELAYOUT layout{};
    TW_USERINTERFACE userInterface{};
    TW_IDENTITY identity{};
    void* parent = nullptr;
    const void* event = nullptr;
};

struct Answer {
    TW_UINT16 result = TWRC_SUCCESS;
    TW_UINT16 condition = TWCC_SUCCESS;  // what DAT_STATUS then reports
};

struct EventAnswer {
    TW_UINT16 result = TWRC_NOTDSEVENT;
    TW_UINT16 message = MSG_NULL;
};

struct Script {
    // Answers by triplet; anything not listed succeeds.
    std::map<std::tuple<TW_UINT32, TW_UINT16, TW_UINT16>, Answer> answers;
    // Answers to MSG_SET of single capabilities.
    std::map<TW_UINT16, Answer> capabilityAnswers;
    bool statusFails = false;
    TW_IDENTITY source{};                 // what MSG_OPENDS hands back
    TW_UINT16 pendingAfterEnd = 0;        // Count after MSG_ENDXFER
    TW_HANDLE image = nullptr;            // handed over by the native transfer
    TW_UINT16 transferResult = TWRC_XFERDONE;
    std::deque<EventAnswer> events;       // one per MSG_PROCESSEVENT; then NOTDSEVENT
};

// Clears the script and the record; the source reports protocol 1.9.
void reset();
Script& script();
const std::vector<Call>& calls();
// The recorded calls with this message, in order.
std::vector<Call> callsOf(TW_UINT16 msg);
// The message numbers of the recorded calls, status requests left out.
std::vector<TW_UINT16> messages();

} // namespace vestiscop::scanner::fake
