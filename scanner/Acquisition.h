// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One scan exactly as the Scan button does it, shared by the window and the
// command-line program: start-up of the connection, the Scan command's
// negotiation (pixel type RGB, resolutions, gamma, scan frame, native
// transfer of one image) and enabling, then, when the source answers through
// processEvent, the native transfer with its two guards. The owner supplies
// what happens to the image, how failures are shown and how the deferred
// save is posted.
//
// Failure: start() raises (the owner reports it and disables scanning);
// everything after it is reported through reportError, never raised, so the
// owner's event loop is safe.

#include "foundation/Exception.h"
#include "foundation/Settings.h"
#include "imaging/Image.h"
#include "scanner/TwainConnection.h"

#include <memory>
#include <string>

namespace vestiscop::scanner {

class Acquisition : public TwainConnection {
public:
    // The scan settings are copied; saveImage is GeneralSettings::saveImage.
    Acquisition(const foundation::ScanSettings& scan, bool saveImage);

    // Identity "Vestiscop" by "Quorvex" 1.0, load and open the manager with
    // the given parent (null: the connection's own EventQueue), open the
    // default source. Raises on failure.
    void start(EventSink* parent);
    // The start-up log text "Použit skener <product> (<manufacturer> - <version>)".
    std::string scannerDescription() const;

    // The Scan command. True when the source is enabled and its answer will
    // arrive through offerEvent; false when the command failed (reported),
    // or, with nothing reported, when an acquisition is already running.
    bool scan();
    // Whether an acquisition is running (enabled, its answer not yet handled).
    bool scanning() const { return state() >= 5; }
    // Stops the running acquisition: the device is cancelled and the
    // worker joined, the source stays open for the next Scan, nothing is
    // transferred, saved or reported, and acquisitionEnded() follows. False
    // when nothing was running.
    bool cancelAcquisition();

    // processEvent for owners whose event loop must not see exceptions: a
    // failure is reported and ends the acquisition.
    bool offerEvent(const void* message);

protected:
    // The transferred image, top row first; the owner takes it.
    virtual void acceptImage(std::unique_ptr<imaging::RgbImage> image) = 0;
    // Shows a failure (message box with the exclamation icon, error log line).
    virtual void reportError(const foundation::Exception& error) = 0;
    // Posts the deferred save of the transferred image (WM_SAVE_SCAN).
    virtual void postSaveScan() = 0;
    // The acquisition is over: image handed on, failure reported, close
    // request reported or cancelled. For owners that wait for it.
    virtual void acquisitionEnded() {}
    // A line for the log about what the scanner did (the resolution it
    // scanned at, a warm-up). Owners without a log ignore it.
    virtual void logNote(const std::string& text) { (void)text; }

private:
    void onTransferReady() override;
    void negotiate();
    void transfer();
    void closeRequested();
    // Raises the failure a source reports when it asks to be closed.
    [[noreturn]] void raiseSourceFailure();
    template <typename Work>
    bool reported(Work work);

    // With AdaptToScanner: what the source scans at, and whether the picture
    // is resampled to the configured resolution.
    void noteDeviceResolution();
    void noteWarmup();
    std::unique_ptr<imaging::RgbImage> toConfiguredResolution(std::unique_ptr<imaging::RgbImage> image) const;

    foundation::ScanSettings m_scan;
    bool m_saveImage;
    bool m_sourceOpen = false;
    double m_deviceXRes = 0;  // 0: as configured
    double m_deviceYRes = 0;
};

} // namespace vestiscop::scanner
