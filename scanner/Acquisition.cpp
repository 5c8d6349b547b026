// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanner/Acquisition.h"

#include "foundation/Format.h"
#include "foundation/StringTable.h"
#include "imaging/PackedDib.h"
#include "imaging/Resample.h"
#include "scanner/OneValueContainer.h"

#include <cmath>
#include <new>

namespace vestiscop::scanner {

using foundation::Exception;
using foundation::ScannerError;
using foundation::ScannerRefused;
using foundation::SystemError;

namespace {

// Owns a native-transfer handle: unlocked and freed however the conversion ends.
class NativeImage {
public:
    explicit NativeImage(TW_HANDLE handle) : m_handle(handle) {}
    ~NativeImage()
    {
        if (m_locked)
            twainUnlock(m_handle);
        twainFree(m_handle);
    }
    NativeImage(const NativeImage&) = delete;
    NativeImage& operator=(const NativeImage&) = delete;

    std::unique_ptr<imaging::RgbImage> convert()
    {
        if (!m_handle)
            throw SystemError(foundation::systemError::BadFormat, std::string());
        const void* dib = twainLock(m_handle);
        m_locked = true;
        return imaging::fromPackedDib(dib, twainSize(m_handle));
    }

private:
    TW_HANDLE m_handle;
    bool m_locked = false;
};

// Texts naming why a source gave up, shown inside "Selhání skeneru (%s)".
constexpr int PaperJamText = 1100;
constexpr int NoDocumentText = 1101;
constexpr int CoverOpenText = 1102;
constexpr int InputOutputText = 1103;
constexpr int DoubleFeedText = 1104;
constexpr int OfflineText = 1105;
constexpr int UnknownCauseText = 1106;

// Log lines about what the scanner did.
constexpr int ResampledText = 3102;
constexpr int WarmupText = 3103;

// The device resolution counts as the configured one this close to it.
constexpr double SameResolution = 1e-3;

std::string dpiText(double x, double y)
{
    return x == y ? foundation::format("%g", x) : foundation::format("%g × %g", x, y);
}

} // namespace

Acquisition::Acquisition(const foundation::ScanSettings& scan, bool saveImage)
    : m_scan(scan), m_saveImage(saveImage)
{
}

void Acquisition::start(EventSink* parent)
{
    setIdentity("TWAIN", "Vestiscop", "Quorvex", "", 1, 0, TWLG_USA, TWCY_USA);
    loadManager();
    openManager(parent);
    openSource();
    m_sourceOpen = true;
}

std::string Acquisition::scannerDescription() const
{
    const TW_IDENTITY& source = sourceIdentity();
    return foundation::format("Použit skener %s (%s - %s)", source.ProductName, source.Manufacturer,
                              source.Version.Info);
}

template <typename Work>
bool Acquisition::reported(Work work)
{
    try {
        work();
        return true;
    } catch (const Exception& error) {
        reportError(error);
    } catch (const std::bad_alloc&) {
        reportError(SystemError(foundation::systemError::OutOfMemory, std::string()));
    }
    return false;
}

bool Acquisition::scan()
{
    // A second Scan while one runs is no fault of the scanner's: refused
    // with nothing to report.
    if (scanning())
        return false;
    return reported([this] {
        // The source opened at start-up serves the first scan; later scans
        // open it again (nothing happens while it is still open).
        if (!m_sourceOpen)
            openSource();
        m_sourceOpen = false;
        negotiate();
        enableSource(false);
    });
}

bool Acquisition::cancelAcquisition()
{
    if (!scanning())
        return false;
    // Disabling stops the worker: the device is told to cancel, the image
    // (if any) is dropped. The source stays open for the next Scan.
    try {
        disableSource();
    } catch (const Exception&) {
        // The acquisition is abandoned either way; the teardown closes it.
    }
    acquisitionEnded();
    return true;
}

void Acquisition::noteDeviceResolution()
{
    m_deviceXRes = 0;
    m_deviceYRes = 0;
    const std::optional<TW_ONEVALUE> x = currentValue(ICAP_DEVICEXRESOLUTION);
    const std::optional<TW_ONEVALUE> y = currentValue(ICAP_DEVICEYRESOLUTION);
    if (!x || !y || x->ItemType != TWTY_FIX32 || y->ItemType != TWTY_FIX32)
        return;
    const double xDpi = fromFix32(fix32FromBits(x->Item));
    const double yDpi = fromFix32(fix32FromBits(y->Item));
    if (!(xDpi > 0) || !(yDpi > 0))
        return;
    if (std::fabs(xDpi - m_scan.xRes) <= SameResolution && std::fabs(yDpi - m_scan.yRes) <= SameResolution)
        return;
    m_deviceXRes = xDpi;
    m_deviceYRes = yDpi;
    logNote(foundation::format(foundation::loadString(ResampledText).c_str(), dpiText(xDpi, yDpi).c_str(),
                               dpiText(m_scan.xRes, m_scan.yRes).c_str()));
}

void Acquisition::noteWarmup()
{
    if (!m_scan.adaptToScanner)
        return;
    const std::optional<TW_ONEVALUE> seconds = currentValue(CAP_WARMUPSECONDS);
    if (seconds && seconds->ItemType == TWTY_UINT32 && seconds->Item > 0)
        logNote(foundation::format(foundation::loadString(WarmupText).c_str(), static_cast<int>(seconds->Item)));
}

std::unique_ptr<imaging::RgbImage> Acquisition::toConfiguredResolution(std::unique_ptr<imaging::RgbImage> image) const
{
    if (!m_scan.adaptToScanner || m_deviceXRes <= 0 || m_deviceYRes <= 0)
        return image;
    // The same millimetres per pixel on every scanner: the picture is
    // resampled to the configured resolution.
    const long width = std::lround(image->width() * (m_scan.xRes / m_deviceXRes));
    const long height = std::lround(image->height() * (m_scan.yRes / m_deviceYRes));
    if (width < 1 || height < 1 || width > imaging::MaxResampledSide || height > imaging::MaxResampledSide)
        throw SystemError(foundation::systemError::BadFormat, std::string());
    return imaging::resampleArea(*image, static_cast<int>(width), static_cast<int>(height));
}

void Acquisition::negotiate()
{
    // A refused optional setting ends its block; with IgnoreErrors the
    // scanner keeps its own value and the next block goes on.
    const auto optional = [this](auto block) {
        try {
            block();
        } catch (const Exception&) {
            if (!m_scan.ignoreErrors)
                throw;
        }
    };

    m_deviceXRes = 0;
    m_deviceYRes = 0;
    if (m_scan.adaptToScanner) {
        // A source that does not know it scans as it would without.
        OneValueContainer adapt(TWTY_BOOL, 1);
        setCapabilityUnchecked(CAP_ADAPTTODEVICE, adapt);
    }
    {
        OneValueContainer pixelType(TWTY_UINT16, TWPT_RGB);
        setCapability(ICAP_PIXELTYPE, pixelType, "RGB image");
    }
    optional([this] {
        OneValueContainer x = OneValueContainer::fix32(m_scan.xRes);
        setCapability(ICAP_XRESOLUTION, x, "X resolution");
        OneValueContainer y = OneValueContainer::fix32(m_scan.yRes);
        setCapability(ICAP_YRESOLUTION, y, "Y resolution");
    });
    if (m_scan.adaptToScanner)
        noteDeviceResolution();
    {
        // Not every scanner knows gamma; whatever it says is ignored.
        OneValueContainer gamma = OneValueContainer::fix32(m_scan.gamma);
        setCapabilityUnchecked(ICAP_GAMMA, gamma);
    }
    optional([this] {
        TW_IMAGELAYOUT layout{};
        layout.Frame.Left = toFix32(m_scan.wndLeft);
        layout.Frame.Top = toFix32(m_scan.wndTop);
        layout.Frame.Right = toFix32(m_scan.wndLeft + m_scan.wndWidth);
        layout.Frame.Bottom = toFix32(m_scan.wndTop + m_scan.wndHeight);
        layout.DocumentNumber = 1;
        layout.PageNumber = 1;
        layout.FrameNumber = 1;
        setImageLayout(layout);
    });
    optional([this] {
        OneValueContainer mechanism(TWTY_UINT16, TWSX_NATIVE);
        setCapability(ICAP_XFERMECH, mechanism, "native transfer");
        OneValueContainer count(TWTY_INT16, 1);
        setCapability(CAP_XFERCOUNT, count, nullptr);
    });
}

bool Acquisition::offerEvent(const void* message)
{
    bool consumed = false;
    if (!reported([&] { consumed = processEvent(message); })) {
        // Only disabling after a close request raises here.
        acquisitionEnded();
        return true;
    }
    return consumed;
}

void Acquisition::onTransferReady()
{
    if (state() == 6) {
        noteWarmup();
        transfer();
    } else {
        closeRequested();
    }
}

void Acquisition::transfer()
{
    bool transferred = false;
    reported([&] {
        NativeImage native(transferNativeImage());
        std::unique_ptr<imaging::RgbImage> image = toConfiguredResolution(native.convert());
        // Marked before the hand-over: an image whose analysis fails is still saved.
        transferred = true;
        acceptImage(std::move(image));
    });
    reported([this] {
        setState(7);
        endTransfer();
        disableSource();
        closeSource();
    });
    if (transferred && m_saveImage)
        postSaveScan();
    acquisitionEnded();
}

void Acquisition::closeRequested()
{
    // No image comes with a close request: say why the source gave up. The
    // source stays open (state 4), so the next Scan enables it again.
    reported([this] { raiseSourceFailure(); });
    // After the cause is read: asking the source anything replaces it.
    noteWarmup();
    acquisitionEnded();
}

void Acquisition::raiseSourceFailure()
{
    const std::optional<TW_UINT16> condition = sourceCondition();
    int cause = UnknownCauseText;
    switch (condition.value_or(TWCC_BUMMER)) {
    case TWCC_SUCCESS:
        // Closed without a failure: the scan was called off at the scanner.
        throw foundation::Cancelled();
    case TWCC_LOWMEMORY:
        throw SystemError(foundation::systemError::OutOfMemory, std::string());
    case TWCC_NODS:
        throw ScannerError(0, std::string());
    case TWCC_MAXCONNECTIONS:
        throw ScannerError(1, std::string());
    case TWCC_DENIED:
        throw ScannerRefused(foundation::scannerRefused::AccessDenied, std::string());
    case TWCC_NOCOLOUR:
        throw ScannerRefused(foundation::scannerRefused::NoColour, std::string());
    case TWCC_TIMEDOUT:
        throw SystemError(foundation::systemError::TimedOut, std::string());
    case TWCC_PAPERJAM:
        cause = PaperJamText;
        break;
    case TWCC_NOMEDIA:
        cause = NoDocumentText;
        break;
    case TWCC_INTERLOCK:
        cause = CoverOpenText;
        break;
    case TWCC_OPERATIONERROR:
        cause = InputOutputText;
        break;
    case TWCC_PAPERDOUBLEFEED:
        cause = DoubleFeedText;
        break;
    case TWCC_CHECKDEVICEONLINE:
        cause = OfflineText;
        break;
    default:
        break;
    }
    throw ScannerError(2, foundation::loadString(cause));
}

} // namespace vestiscop::scanner
