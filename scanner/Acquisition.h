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
    // arrive through offerEvent; false when the command failed (reported).
    bool scan();

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
    // The acquisition is over: image handed on, failure reported or close
    // request reported. For owners that wait for it.
    virtual void acquisitionEnded() {}

private:
    void onTransferReady() override;
    void negotiate();
    void transfer();
    void closeRequested();
    // Raises the failure a source reports when it asks to be closed.
    [[noreturn]] void raiseSourceFailure();
    template <typename Work>
    bool reported(Work work);

    foundation::ScanSettings m_scan;
    bool m_saveImage;
    bool m_sourceOpen = false;
};

} // namespace vestiscop::scanner
