// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SaneDevice.h"

#include "foundation/Environment.h"
#include "platform/DibAssembler.h"

#include <thread>
#include <vector>

namespace vestiscop::platform {

using namespace scanner;

namespace {

// Threads inside a call to any device of the process.
std::atomic<int> g_deviceCalls{0};

// Not in the SANE 1.0 header, but sent by devices with a lamp: the start
// may be tried again.
constexpr auto SaneWarmingUp = static_cast<SANE_Status>(12);

// A lamp warming up makes sane_start answer SANE_STATUS_WARMING_UP (12): it is
// asked again every half second for this long, then the scan has timed out.
constexpr auto WarmupRetry = std::chrono::milliseconds(500);

// The limits are read where they are used: the program loads this library at
// run time through the manager's fixed entry point, which has no way to hand
// it the program's record, so the library reads the record itself.
std::chrono::milliseconds warmupLimit()
{
    return foundation::Environment::read().scannerWarmup;
}

} // namespace

TW_UINT16 conditionOf(SANE_Status status)
{
    // Still warming up when the wait ran out: not ready in time.
    if (status == SaneWarmingUp)
        return TWCC_TIMEDOUT;
    switch (status) {
    case SANE_STATUS_GOOD:
        return TWCC_SUCCESS;
    case SANE_STATUS_DEVICE_BUSY:
        return TWCC_MAXCONNECTIONS;
    case SANE_STATUS_JAMMED:
        return TWCC_PAPERJAM;
    case SANE_STATUS_NO_DOCS:
        return TWCC_NOMEDIA;
    case SANE_STATUS_COVER_OPEN:
        return TWCC_INTERLOCK;
    case SANE_STATUS_IO_ERROR:
        return TWCC_OPERATIONERROR;
    case SANE_STATUS_NO_MEM:
        return TWCC_LOWMEMORY;
    case SANE_STATUS_ACCESS_DENIED:
        return TWCC_DENIED;
    default:
        return TWCC_BUMMER;
    }
}

bool deviceCallsRunning()
{
    return g_deviceCalls.load() > 0;
}

SaneDevice::Clock::duration SaneDevice::stopLimit()
{
    // Three seconds by default leave a second for the close and the
    // program's own end within five.
    return foundation::Environment::read().scannerStop;
}

SaneDevice::~SaneDevice()
{
    twainFree(m_image);
}

bool SaneDevice::launch(std::function<void(SaneDevice&)> call)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_calls;
    }
    ++g_deviceCalls;
    try {
        // Detached: the source never waits for a thread without a bound.
        // The thread keeps the device alive until it leaves.
        std::thread([self = shared_from_this(), call = std::move(call)] {
            call(*self);
            self->leave();
        }).detach();
    } catch (...) {
        leave();
        return false;
    }
    return true;
}

void SaneDevice::leave()
{
    std::unique_lock<std::mutex> guard(m_lock);
    if (m_closeRequested && !m_closed && m_calls == 1) {
        guard.unlock();
        sane_close(m_handle);
        guard.lock();
        m_closed = true;
    }
    --m_calls;
    --g_deviceCalls;
    m_changed.notify_all();
}

bool SaneDevice::waitIdle(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_until(guard, deadline, [this] { return m_calls == 0; });
}

std::optional<std::uint64_t> SaneDevice::startScan(EventSink* parent, TW_UINT32 sourceId, double xDpi, double yDpi)
{
    std::uint64_t serial = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        serial = ++m_serial;
        m_running = true;
        m_announced = false;
        m_outcome = Outcome::Scanning;
        m_failure = TWCC_SUCCESS;
        twainFree(m_image);
        m_image = nullptr;
        m_parent = parent;
        m_sourceId = sourceId;
        m_stopping = false;
    }
    if (!launch([xDpi, yDpi](SaneDevice& device) { device.scan(xDpi, yDpi); })) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_running = false;
        m_parent = nullptr;
        return std::nullopt;
    }
    return serial;
}

void SaneDevice::scan(double xDpi, double yDpi)
{
    DibAssembler dib;
    std::vector<std::uint8_t> buffer(64 * 1024);
    bool noColour = false;
    m_warmupSeconds = 0;
    SANE_Status status = start();
    bool complete = false;
    while (status == SANE_STATUS_GOOD && !complete) {
        SANE_Parameters parameters{};
        status = sane_get_parameters(m_handle, &parameters);
        if (status != SANE_STATUS_GOOD)
            break;
        if (parameters.format == SANE_FRAME_GRAY) {
            // A grey or black-and-white picture has no colours to name.
            noColour = true;
            break;
        }
        if (!dib.beginFrame(parameters)) {
            status = SANE_STATUS_INVAL;
            break;
        }
        for (;;) {
            if (m_stopping) {
                status = SANE_STATUS_CANCELLED;
                break;
            }
            SANE_Int length = 0;
            status = sane_read(m_handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
            if (status != SANE_STATUS_GOOD)
                break;
            if (length > 0 && !dib.add(buffer.data(), static_cast<std::size_t>(length))) {
                status = SANE_STATUS_NO_MEM;
                break;
            }
        }
        if (status != SANE_STATUS_EOF)
            break;
        if (parameters.last_frame)
            complete = true;
        else
            status = start();
    }

    if (complete) {
        TW_HANDLE image = dib.finish(xDpi, yDpi);
        if (image)
            publish(Outcome::Image, TWCC_SUCCESS, image);
        else
            publish(Outcome::Failed, dib.height() > 0 ? TWCC_LOWMEMORY : TWCC_BUMMER, nullptr);
    } else if (noColour) {
        publish(Outcome::Failed, TWCC_NOCOLOUR, nullptr);
    } else if (status == SANE_STATUS_CANCELLED || (status == SaneWarmingUp && m_stopping)) {
        publish(Outcome::Cancelled, TWCC_SUCCESS, nullptr);
    } else {
        publish(Outcome::Failed, conditionOf(status), nullptr);
    }
    // Ends the scan on the device whatever happened; the owner already knows.
    sane_cancel(m_handle);
}

SANE_Status SaneDevice::start()
{
    const auto began = Clock::now();
    const auto limit = warmupLimit();
    SANE_Status status = sane_start(m_handle);
    while (status == SaneWarmingUp && !m_stopping) {
        const auto waited = Clock::now() - began;
        if (waited >= limit)
            break;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            // Woken early only by a stop.
            m_changed.wait_for(guard, std::min<Clock::duration>(WarmupRetry, limit - waited),
                               [this] { return m_stopping.load(); });
        }
        m_warmupSeconds =
            static_cast<unsigned>(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count());
        if (m_stopping)
            break;
        status = sane_start(m_handle);
    }
    return status;
}

void SaneDevice::publish(Outcome outcome, TW_UINT16 condition, TW_HANDLE image)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_running = false;
    m_outcome = outcome;
    m_failure = condition;
    if (m_parent && !m_stopping) {
        m_image = image;
        // Under the lock: a stop that follows cannot overtake the message.
        m_parent->post(SourceMessage{SourceMessage::Magic, m_sourceId, m_serial});
    } else {
        // A stopped scan tells nobody and keeps nothing.
        twainFree(image);
    }
    m_changed.notify_all();
}

void SaneDevice::stop()
{
    const auto begun = Clock::now();
    std::unique_lock<std::mutex> guard(m_lock);
    // Under the lock, so a scan waiting for a warming lamp wakes.
    m_stopping = true;
    m_changed.notify_all();
    if (m_running && !m_changed.wait_until(guard, begun + stopLimit() / 3, [this] { return !m_running; })) {
        guard.unlock();
        // A device stuck in a read: SANE lets another thread cancel it.
        launch([](SaneDevice& device) { sane_cancel(device.m_handle); });
        guard.lock();
        m_changed.wait_until(guard, begun + stopLimit(), [this] { return !m_running; });
    }
    // Whatever the scan does from now on, nobody is told.
    m_parent = nullptr;
    twainFree(m_image);
    m_image = nullptr;
}

std::optional<SaneDevice::Outcome> SaneDevice::announce(std::uint64_t serial, TW_UINT16& failure)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (serial != m_serial || m_running || m_announced || m_outcome == Outcome::Scanning)
        return std::nullopt;
    m_announced = true;
    failure = m_failure;
    return m_outcome;
}

TW_HANDLE SaneDevice::takeImage()
{
    std::lock_guard<std::mutex> guard(m_lock);
    TW_HANDLE image = m_image;
    m_image = nullptr;
    return image;
}

void SaneDevice::dropImage()
{
    twainFree(takeImage());
}

void SaneDevice::close()
{
    const auto begun = Clock::now();
    std::unique_lock<std::mutex> guard(m_lock);
    m_closeRequested = true;
    // A call that outlived a stop is not waited for again: it closes the
    // device when it returns.
    if (m_running || !m_changed.wait_until(guard, begun + stopLimit() / 3, [this] { return m_calls == 0; }))
        return;
    // The last call to leave may have closed it already.
    if (m_closed)
        return;
    guard.unlock();
    const bool launched = launch([](SaneDevice& device) {
        sane_close(device.m_handle);
        std::lock_guard<std::mutex> closed(device.m_lock);
        device.m_closed = true;
    });
    // A launch that failed has closed the device on the way out.
    if (!launched)
        return;
    guard.lock();
    // Until the closing thread has left too: SANE may be let go after it.
    m_changed.wait_until(guard, begun + stopLimit() * 2 / 3, [this] { return m_closed && m_calls == 0; });
}

} // namespace vestiscop::platform
