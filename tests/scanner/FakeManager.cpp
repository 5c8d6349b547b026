// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeManager.h"

#include <cstring>

namespace vestiscop::scanner::fake {

namespace {

Script g_script;
std::vector<Call> g_calls;
TW_UINT16 g_condition = TWCC_SUCCESS;

} // namespace

void reset()
{
    twainFree(g_script.image);
    g_script = Script{};
    g_script.source.ProtocolMajor = 1;
    g_script.source.ProtocolMinor = 9;
    std::strcpy(g_script.source.ProductName, "Fake scanner");
    std::strcpy(g_script.source.Manufacturer, "Tester");
    std::strcpy(g_script.source.Version.Info, "fake:0");
    g_calls.clear();
    g_condition = TWCC_SUCCESS;
}

Script& script()
{
    return g_script;
}

const std::vector<Call>& calls()
{
    return g_calls;
}

std::vector<Call> callsOf(TW_UINT16 msg)
{
    std::vector<Call> found;
    for (const Call& call : g_calls)
        if (call.msg == msg && call.dat != DAT_STATUS)
            found.push_back(call);
    return found;
}

std::vector<TW_UINT16> messages()
{
    std::vector<TW_UINT16> found;
    for (const Call& call : g_calls)
        if (call.dat != DAT_STATUS)
            found.push_back(call.msg);
    return found;
}

} // namespace vestiscop::scanner::fake

using namespace vestiscop::scanner;

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* destination,
                                                                      TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                                                      TW_MEMREF data)
{
    using namespace vestiscop::scanner::fake;
    Call call;
    call.toSource = destination != nullptr;
    call.group = group;
    call.dat = dat;
    call.msg = msg;

    if (dat == DAT_STATUS) {
        g_calls.push_back(call);
        if (g_script.statusFails)
            return TWRC_FAILURE;
        static_cast<TW_STATUS*>(data)->ConditionCode = g_condition;
        return TWRC_SUCCESS;
    }

    Answer answer;
    if (const auto found = g_script.answers.find({group, dat, msg}); found != g_script.answers.end())
        answer = found->second;

    switch (dat) {
    case DAT_PARENT:
        call.parent = *static_cast<TW_HANDLE*>(data);
        if (msg == MSG_OPENDSM && answer.result == TWRC_SUCCESS)
            origin->Id = 7;
        break;
    case DAT_IDENTITY:
        call.identity = *static_cast<TW_IDENTITY*>(data);
        if (msg == MSG_OPENDS && answer.result == TWRC_SUCCESS)
            *static_cast<TW_IDENTITY*>(data) = g_script.source;
        break;
    case DAT_CAPABILITY: {
        const auto* capability = static_cast<TW_CAPABILITY*>(data);
        call.capability = capability->Cap;
        call.containerType = capability->ConType;
        std::memcpy(&call.value, twainLock(capability->hContainer), sizeof call.value);
        twainUnlock(capability->hContainer);
        if (const auto found = g_script.capabilityAnswers.find(capability->Cap);
            found != g_script.capabilityAnswers.end())
            answer = found->second;
        break;
    }
    case DAT_IMAGELAYOUT:
        call.layout = *static_cast<TW_IMAGELAYOUT*>(data);
        break;
    case DAT_USERINTERFACE:
        call.userInterface = *static_cast<TW_USERINTERFACE*>(data);
        break;
    case DAT_EVENT: {
        auto* event = static_cast<TW_EVENT*>(data);
        call.event = event->pEvent;
        EventAnswer reply;
        if (!g_script.events.empty()) {
            reply = g_script.events.front();
            g_script.events.pop_front();
        }
        event->TWMessage = reply.message;
        answer.result = reply.result;
        break;
    }
    case DAT_PENDINGXFERS:
        if (answer.result == TWRC_SUCCESS)
            static_cast<TW_PENDINGXFERS*>(data)->Count = msg == MSG_ENDXFER ? g_script.pendingAfterEnd : 0;
        break;
    case DAT_IMAGENATIVEXFER:
        if (answer.result == TWRC_SUCCESS)
            answer.result = g_script.transferResult;
        // Handed over whatever the result: a faulty source may do that too.
        *static_cast<TW_HANDLE*>(data) = g_script.image;
        g_script.image = nullptr;
        break;
    default:
        break;
    }
    g_calls.push_back(call);
    g_condition = answer.condition;
    return answer.result;
}
