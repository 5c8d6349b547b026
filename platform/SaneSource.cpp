// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SaneSource.h"

#include <sane/saneopts.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vestiscop::platform {

using namespace scanner;

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

constexpr double MillimetresPerInch = 25.4;

// A scan mode that gives colour, whatever the device calls it ("Color",
// "Colour", "24bit Color", "RGB", ...), but not a dithered or line-art one.
bool isColourMode(const std::string& mode)
{
    const std::string name = lower(mode);
    const bool colour = name.find("color") != std::string::npos || name.find("colour") != std::string::npos ||
                        name.find("rgb") != std::string::npos;
    return colour && name.find("lineart") == std::string::npos && name.find("halftone") == std::string::npos;
}

} // namespace

SaneSource::SaneSource(SANE_Handle handle, const TW_IDENTITY& identity, EventSink* parent)
    : m_device(std::make_shared<SaneDevice>(handle)), m_options(handle), m_identity(identity), m_parent(parent)
{
}

SaneSource::~SaneSource()
{
    stop();
    m_device->close();
}

bool SaneSource::deviceIdle()
{
    return m_device->waitIdle(SaneDevice::Clock::now() + SaneDevice::stopLimit() / 3);
}

TW_UINT16 SaneSource::fail(TW_UINT16 condition)
{
    m_condition = condition;
    return TWRC_FAILURE;
}

TW_UINT16 SaneSource::succeed()
{
    m_condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 SaneSource::entry(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, void* data)
{
    if (group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        if (!data)
            return TWRC_FAILURE;
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = m_condition;
        status->Reserved = 0;
        return TWRC_SUCCESS;
    }
    if (!data)
        return fail(TWCC_BADVALUE);
    if (group == DG_CONTROL) {
        switch (dat) {
        case DAT_CAPABILITY:
            if (msg == MSG_SET)
                return setCapability(static_cast<TW_CAPABILITY*>(data));
            if (msg == MSG_GETCURRENT)
                return getCapability(static_cast<TW_CAPABILITY*>(data));
            return fail(TWCC_CAPBADOPERATION);
        case DAT_USERINTERFACE:
            if (msg == MSG_ENABLEDS)
                return enable(static_cast<TW_USERINTERFACE*>(data));
            if (msg == MSG_DISABLEDS) {
                if (m_state < 5)
                    return fail(TWCC_SEQERROR);
                // The reason of a close request stays readable after disabling.
                const TW_UINT16 kept = m_condition;
                stop();
                m_state = 4;
                m_condition = kept;
                return TWRC_SUCCESS;
            }
            break;
        case DAT_EVENT:
            if (msg == MSG_PROCESSEVENT)
                return processEvent(static_cast<TW_EVENT*>(data));
            break;
        case DAT_PENDINGXFERS:
            return pendingTransfers(msg, static_cast<TW_PENDINGXFERS*>(data));
        default:
            break;
        }
    } else if (group == DG_IMAGE) {
        if (dat == DAT_IMAGELAYOUT && msg == MSG_SET)
            return setLayout(static_cast<TW_IMAGELAYOUT*>(data));
        if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
            return transfer(static_cast<TW_HANDLE*>(data));
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SaneSource::setCapability(const TW_CAPABILITY* capability)
{
    if (m_state != 4)
        return fail(TWCC_SEQERROR);
    if (capability->ConType != TWON_ONEVALUE || twainSize(capability->hContainer) < sizeof(TW_ONEVALUE))
        return fail(TWCC_BADVALUE);
    if (!deviceIdle())
        return fail(TWCC_CHECKDEVICEONLINE);
    TW_ONEVALUE value{};
    std::memcpy(&value, twainLock(capability->hContainer), sizeof value);
    twainUnlock(capability->hContainer);
    const auto number = [&]() { return fromFix32(fix32FromBits(value.Item)); };
    const auto small = [&]() { return static_cast<TW_UINT16>(value.Item & 0xFFFF); };

    TW_UINT16 condition = TWCC_SUCCESS;
    switch (capability->Cap) {
    case ICAP_PIXELTYPE:
        condition = value.ItemType != TWTY_UINT16 || small() != TWPT_RGB ? TWCC_BADVALUE : setColourMode();
        break;
    case CAP_ADAPTTODEVICE:
        if (value.ItemType != TWTY_BOOL) {
            condition = TWCC_BADVALUE;
        } else {
            m_adapt = small() != 0;
        }
        break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        condition = value.ItemType != TWTY_FIX32 ? TWCC_BADVALUE
                                                 : setResolution(capability->Cap == ICAP_YRESOLUTION, number());
        break;
    case ICAP_GAMMA:
        condition = TWCC_CAPUNSUPPORTED;
        for (const char* name : {SANE_NAME_ANALOG_GAMMA, "gamma-value", "gamma"}) {
            if (m_options.has(name)) {
                condition = value.ItemType != TWTY_FIX32 ? TWCC_BADVALUE : m_options.setNumber(name, number());
                break;
            }
        }
        break;
    case ICAP_XFERMECH:
        condition = value.ItemType == TWTY_UINT16 && small() == TWSX_NATIVE ? TWCC_SUCCESS : TWCC_BADVALUE;
        break;
    case CAP_XFERCOUNT: {
        // One image per acquisition; "as many as you like" also gets one.
        const auto count = static_cast<std::int16_t>(small());
        condition = value.ItemType == TWTY_INT16 && (count == 1 || count == -1) ? TWCC_SUCCESS : TWCC_BADVALUE;
        break;
    }
    default:
        condition = TWCC_CAPUNSUPPORTED;
        break;
    }
    return condition == TWCC_SUCCESS ? succeed() : fail(condition);
}

TW_UINT16 SaneSource::setColourMode()
{
    // A device without a mode option is taken at its word; its frames are
    // checked when they arrive.
    TW_UINT16 condition = TWCC_SUCCESS;
    if (m_options.has(SANE_NAME_SCAN_MODE)) {
        condition = m_options.setStringFromList(SANE_NAME_SCAN_MODE,
                                                [](const std::string& mode) { return mode == "Color"; });
        if (condition == TWCC_BADVALUE)
            condition = m_options.setStringFromList(SANE_NAME_SCAN_MODE, isColourMode);
        // No colour at all: the colours of a grey picture would be made up.
        if (condition == TWCC_BADVALUE)
            return TWCC_NOCOLOUR;
    }
    // After the mode, which may change the depths offered. Best effort: a
    // device without 8 bits keeps its own depth.
    if (condition == TWCC_SUCCESS && m_adapt && m_options.checkNumber(SANE_NAME_BIT_DEPTH, 8) == TWCC_SUCCESS)
        m_options.setNumber(SANE_NAME_BIT_DEPTH, 8);
    return condition;
}

TW_UINT16 SaneSource::getCapability(const TW_CAPABILITY* capability)
{
    if (capability->ConType != TWON_ONEVALUE || twainSize(capability->hContainer) < sizeof(TW_ONEVALUE))
        return fail(TWCC_BADVALUE);
    TW_ONEVALUE value{};
    switch (capability->Cap) {
    case ICAP_DEVICEXRESOLUTION:
    case ICAP_DEVICEYRESOLUTION:
        if (!deviceIdle())
            return fail(TWCC_CHECKDEVICEONLINE);
        value.ItemType = TWTY_FIX32;
        value.Item = fix32Bits(toFix32(resolution(capability->Cap == ICAP_DEVICEYRESOLUTION)));
        break;
    case CAP_WARMUPSECONDS:
        value.ItemType = TWTY_UINT32;
        value.Item = m_device->warmupSeconds();
        break;
    default:
        return fail(TWCC_CAPUNSUPPORTED);
    }
    std::memcpy(twainLock(capability->hContainer), &value, sizeof value);
    twainUnlock(capability->hContainer);
    // The condition is left alone: the cause of a failed scan stays readable.
    return TWRC_SUCCESS;
}

TW_UINT16 SaneSource::setResolution(bool vertical, double dpi)
{
    if (m_adapt) {
        // Whatever the device offers nearest above; the picture is resampled
        // to the resolution asked for afterwards.
        if (!std::isfinite(dpi) || dpi <= 0)
            return TWCC_BADVALUE;
        const char* own = vertical ? SANE_NAME_SCAN_Y_RESOLUTION : SANE_NAME_SCAN_X_RESOLUTION;
        const char* name = own;
        double wanted = dpi;
        if (!m_options.has(own)) {
            // One option for both directions: the finer of the two requests.
            name = SANE_NAME_SCAN_RESOLUTION;
            (vertical ? m_verticalRequest : m_horizontalRequest) = dpi;
            wanted = std::max(m_horizontalRequest.value_or(0.0), m_verticalRequest.value_or(0.0));
        }
        const std::optional<double> offered = m_options.offeredAtOrAbove(name, wanted);
        if (!offered)
            return TWCC_CAPUNSUPPORTED;
        return m_options.setNumber(name, *offered);
    }
    const char* own = vertical ? SANE_NAME_SCAN_Y_RESOLUTION : SANE_NAME_SCAN_X_RESOLUTION;
    if (m_options.has(own))
        return m_options.setNumber(own, dpi);
    if (!vertical) {
        const TW_UINT16 set = m_options.setNumber(SANE_NAME_SCAN_RESOLUTION, dpi);
        m_horizontalRequest = set == TWCC_SUCCESS ? std::optional<double>(dpi) : std::nullopt;
        return set;
    }
    // One resolution for both directions: after a horizontal one, the
    // vertical one can only confirm it (the device may have rounded it, so
    // the request is compared, not the option's value).
    if (!m_horizontalRequest)
        return m_options.setNumber(SANE_NAME_SCAN_RESOLUTION, dpi);
    return std::fabs(*m_horizontalRequest - dpi) < 1e-3 ? TWCC_SUCCESS : TWCC_BADVALUE;
}

double SaneSource::resolution(bool vertical) const
{
    const char* own = vertical ? SANE_NAME_SCAN_Y_RESOLUTION : SANE_NAME_SCAN_X_RESOLUTION;
    if (const std::optional<double> value = m_options.number(own))
        return *value;
    return m_options.number(SANE_NAME_SCAN_RESOLUTION).value_or(0.0);
}

TW_UINT16 SaneSource::setLayout(const TW_IMAGELAYOUT* layout)
{
    if (m_state != 4)
        return fail(TWCC_SEQERROR);
    const char* names[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
    const double inches[4] = {fromFix32(layout->Frame.Left), fromFix32(layout->Frame.Top),
                              fromFix32(layout->Frame.Right), fromFix32(layout->Frame.Bottom)};
    if (inches[2] <= inches[0] || inches[3] <= inches[1] || inches[0] < 0 || inches[1] < 0)
        return fail(TWCC_BADVALUE);
    if (!deviceIdle())
        return fail(TWCC_CHECKDEVICEONLINE);
    double values[4];
    for (int i = 0; i < 4; ++i) {
        if (!m_options.has(names[i]))
            return fail(TWCC_CAPUNSUPPORTED);
        const bool vertical = i % 2 == 1;
        values[i] = m_options.unit(names[i]) == SANE_UNIT_PIXEL ? inches[i] * resolution(vertical)
                                                                : inches[i] * MillimetresPerInch;
    }
    if (m_adapt) {
        // What lies beyond the glass is left out; only a frame with nothing
        // left of it is refused.
        for (int i = 0; i < 4; ++i)
            if (const std::optional<std::pair<double, double>> bounds = m_options.limits(names[i]))
                values[i] = std::min(std::max(values[i], bounds->first), bounds->second);
        if (values[2] <= values[0] || values[3] <= values[1])
            return fail(TWCC_BADVALUE);
    }
    // Nothing changes unless the whole frame fits.
    for (int i = 0; i < 4; ++i) {
        const TW_UINT16 fits = m_options.checkNumber(names[i], values[i]);
        if (fits != TWCC_SUCCESS)
            return fail(fits);
    }
    // Millimetres in SANE's fixed point cannot hold most inch values
    // exactly; the far edges are nudged up by half a step so that a device
    // which truncates still scans the whole frame (one inch at 50 dpi is 50
    // pixels, not 49).
    values[2] += 0.5 / 65536;
    values[3] += 0.5 / 65536;
    for (int i = 0; i < 4; ++i) {
        if (m_adapt && i >= 2)
            if (const std::optional<std::pair<double, double>> bounds = m_options.limits(names[i]))
                values[i] = std::min(values[i], bounds->second);
        const TW_UINT16 set = m_options.setNumber(names[i], values[i]);
        if (set != TWCC_SUCCESS)
            return fail(set);
    }
    return succeed();
}

TW_UINT16 SaneSource::enable(const TW_USERINTERFACE* userInterface)
{
    if (m_state != 4)
        return fail(TWCC_SEQERROR);
    if (userInterface->hParent)
        m_parent = static_cast<EventSink*>(userInterface->hParent);
    if (!m_parent)
        return fail(TWCC_BADVALUE);
    // An earlier scan the device has not let go of yet.
    if (!deviceIdle())
        return fail(TWCC_CHECKDEVICEONLINE);
    // The source has no window of its own: with or without ShowUI it scans at once.
    const double xDpi = resolution(false);
    const double yDpi = resolution(true);
    const std::optional<std::uint64_t> serial = m_device->startScan(m_parent, m_identity.Id, xDpi, yDpi);
    if (!serial)
        return fail(TWCC_LOWMEMORY);
    m_serial = *serial;
    m_state = 5;
    return succeed();
}

void SaneSource::stop()
{
    m_device->stop();
}

TW_UINT16 SaneSource::processEvent(TW_EVENT* event)
{
    event->TWMessage = MSG_NULL;
    m_condition = TWCC_SUCCESS;
    if (!event->pEvent)
        return TWRC_NOTDSEVENT;
    SourceMessage message;
    std::memcpy(&message, event->pEvent, sizeof message);
    if (message.magic != SourceMessage::Magic || message.sourceId != m_identity.Id)
        return TWRC_NOTDSEVENT;
    // Ours, but left over from an earlier acquisition or already answered.
    if (m_state != 5 || message.serial != m_serial)
        return TWRC_DSEVENT;
    TW_UINT16 failure = TWCC_SUCCESS;
    const std::optional<SaneDevice::Outcome> outcome = m_device->announce(m_serial, failure);
    if (!outcome)
        return TWRC_DSEVENT;
    if (*outcome == SaneDevice::Outcome::Failed) {
        event->TWMessage = MSG_CLOSEDSREQ;
        m_condition = failure;
    } else {
        event->TWMessage = MSG_XFERREADY;
        m_state = 6;
    }
    return TWRC_DSEVENT;
}

TW_UINT16 SaneSource::transfer(TW_HANDLE* image)
{
    if (m_state != 6)
        return fail(TWCC_SEQERROR);
    m_state = 7;
    *image = m_device->takeImage();
    if (!*image) {
        // Cancelled at the scanner: nothing came.
        m_condition = TWCC_SUCCESS;
        return TWRC_CANCEL;
    }
    m_condition = TWCC_SUCCESS;
    return TWRC_XFERDONE;
}

TW_UINT16 SaneSource::pendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending)
{
    switch (msg) {
    case MSG_GET:
        pending->Count = m_state == 6 ? 1 : 0;
        return succeed();
    case MSG_ENDXFER:
        if (m_state != 6 && m_state != 7)
            return fail(TWCC_SEQERROR);
        break;
    case MSG_RESET:
        if (m_state != 6)
            return fail(TWCC_SEQERROR);
        break;
    default:
        return fail(TWCC_BADPROTOCOL);
    }
    // One image per acquisition: nothing is pending after it.
    m_device->dropImage();
    pending->Count = 0;
    m_state = 5;
    return succeed();
}

} // namespace vestiscop::platform
