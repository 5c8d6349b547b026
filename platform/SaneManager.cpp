// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SaneManager.h"

#include <cstdlib>
#include <cstring>

namespace vestiscop::platform {

using namespace scanner;

namespace {

void copyText(char (&field)[34], const char* text)
{
    std::memset(field, 0, sizeof field);
    if (text)
        std::strncpy(field, text, sizeof field - 1);
}

bool sameText(const char (&field)[34], const char* text)
{
    char truncated[34];
    copyText(truncated, text);
    return std::strncmp(field, truncated, sizeof truncated) == 0;
}

} // namespace

SaneManager::~SaneManager()
{
    for (auto& [id, session] : m_sessions)
        session.source.reset();
    if (!m_sessions.empty() && !deviceCallsRunning())
        sane_exit();
}

TW_UINT16 SaneManager::fail(Session* session, TW_UINT16 condition)
{
    (session ? session->condition : m_condition) = condition;
    return TWRC_FAILURE;
}

TW_UINT16 SaneManager::entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat,
                             TW_UINT16 msg, void* data)
{
    if (!origin)
        return fail(nullptr, TWCC_BADPROTOCOL);
    if (group == DG_CONTROL && dat == DAT_PARENT && msg == MSG_OPENDSM)
        return openManager(origin, data);

    const auto found = m_sessions.find(TW_UINT32{origin->Id});
    Session* session = found == m_sessions.end() ? nullptr : &found->second;

    if (group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && !destination) {
        if (!data)
            return TWRC_FAILURE;
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = session ? session->condition : m_condition;
        status->Reserved = 0;
        return TWRC_SUCCESS;
    }
    if (!session)
        return fail(nullptr, TWCC_SEQERROR);

    if (group == DG_CONTROL && dat == DAT_PARENT && msg == MSG_CLOSEDSM)
        return closeManager(origin);
    if (group == DG_CONTROL && dat == DAT_IDENTITY) {
        if (!data)
            return fail(session, TWCC_BADVALUE);
        auto* identity = static_cast<TW_IDENTITY*>(data);
        switch (msg) {
        case MSG_OPENDS:
            return openSource(*session, identity);
        case MSG_CLOSEDS:
            return closeSource(*session, identity);
        default:
            return fail(session, TWCC_BADPROTOCOL);
        }
    }
    if (!destination)
        return fail(session, TWCC_BADPROTOCOL);
    if (!session->source || session->source->identity().Id != destination->Id)
        return fail(session, TWCC_BADDEST);
    return session->source->entry(group, dat, msg, data);
}

TW_UINT16 SaneManager::openManager(TW_IDENTITY* origin, void* data)
{
    // Identity fields are packed: copied before a map takes them by reference.
    const TW_UINT32 existing = origin->Id;
    if (m_sessions.count(existing))
        return fail(&m_sessions[existing], TWCC_SEQERROR);
    if (!data)
        return fail(nullptr, TWCC_BADVALUE);
    if (m_sessions.empty() && !m_saneHeld && sane_init(&m_saneVersion, nullptr) != SANE_STATUS_GOOD)
        return fail(nullptr, TWCC_BUMMER);
    m_saneHeld = false;
    const TW_UINT32 id = m_nextId++;
    origin->Id = id;
    Session& session = m_sessions[id];
    session.parent = static_cast<EventSink*>(*static_cast<TW_HANDLE*>(data));
    m_condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 SaneManager::closeManager(TW_IDENTITY* origin)
{
    const TW_UINT32 id = origin->Id;
    Session& session = m_sessions[id];
    if (session.source)
        return fail(&session, TWCC_SEQERROR);
    m_sessions.erase(id);
    if (m_sessions.empty()) {
        // A device call that outlived its source still runs inside SANE:
        // SANE stays as it is until the next session or the process's end.
        m_saneHeld = deviceCallsRunning();
        if (!m_saneHeld)
            sane_exit();
    }
    m_condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_IDENTITY SaneManager::identityOf(const SANE_Device& device) const
{
    TW_IDENTITY identity{};
    identity.Version.MajorNum = static_cast<TW_UINT16>(SANE_VERSION_MAJOR(m_saneVersion));
    identity.Version.MinorNum = static_cast<TW_UINT16>(SANE_VERSION_MINOR(m_saneVersion));
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    copyText(identity.Version.Info, device.name);
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 9;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyText(identity.Manufacturer, device.vendor);
    copyText(identity.ProductFamily, device.type);
    copyText(identity.ProductName, device.model);
    return identity;
}

std::string SaneManager::chooseDevice(Session& session, const TW_IDENTITY& wanted)
{
    if (wanted.ProductName[0] != '\0' && !session.lastDevice.empty() &&
        sameText(wanted.ProductName, session.lastProductName.c_str()))
        return session.lastDevice;
    if (wanted.ProductName[0] == '\0') {
        // SANE's own convention for the default device, read where SANE is
        // driven like SANE's frontends do, not part of the program's record.
        const char* chosen = std::getenv("SANE_DEFAULT_DEVICE");
        if (chosen && *chosen)
            return chosen;
    }
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices)
        return std::string();
    for (const SANE_Device** device = devices; *device; ++device) {
        if (wanted.ProductName[0] == '\0')
            return (*device)->name;
        if (sameText(wanted.ProductName, (*device)->model) && sameText(wanted.Manufacturer, (*device)->vendor))
            return (*device)->name;
    }
    return std::string();
}

TW_UINT16 SaneManager::openSource(Session& session, TW_IDENTITY* identity)
{
    // One source at a time per application.
    if (session.source)
        return fail(&session, TWCC_MAXCONNECTIONS);
    const std::string name = chooseDevice(session, *identity);
    if (name.empty())
        return fail(&session, TWCC_NODS);
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD)
        return fail(&session, status == SANE_STATUS_INVAL ? TWCC_NODS : conditionOf(status));

    // Describe the device as SANE lists it; a device named directly
    // (SANE_DEFAULT_DEVICE) that the list lacks is described by its name.
    SANE_Device described{name.c_str(), "", name.c_str(), ""};
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_FALSE) == SANE_STATUS_GOOD && devices)
        for (const SANE_Device** device = devices; *device; ++device)
            if (std::strcmp((*device)->name, name.c_str()) == 0)
                described = **device;
    TW_IDENTITY opened = identityOf(described);
    opened.Id = m_nextId++;
    try {
        session.source = std::make_unique<SaneSource>(handle, opened, session.parent);
    } catch (...) {
        sane_close(handle);
        return fail(&session, TWCC_LOWMEMORY);
    }
    *identity = opened;
    session.lastDevice = name;
    session.lastProductName = opened.ProductName;
    session.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 SaneManager::closeSource(Session& session, const TW_IDENTITY* identity)
{
    if (!session.source)
        return fail(&session, TWCC_SEQERROR);
    if (identity->Id != session.source->identity().Id)
        return fail(&session, TWCC_BADDEST);
    session.source.reset();
    session.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

} // namespace vestiscop::platform
