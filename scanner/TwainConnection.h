// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One connection to a TWAIN data source manager and one scanner source
// behind it. The connection loads the manager library, opens the manager and
// the default source, enables the source for one acquisition, hands the
// owner's events to the source, ends the transfer and disables and closes the
// source again. It keeps the TWAIN state number (1 to 7) as it sees it.
//
// Failure: every unsuccessful manager call raises an exception of the
// program's hierarchy whose argument is the step text of the failed call
// ("open source", "set X resolution", ...): ScannerError 0 no scanner or
// manager, 1 scanner busy, 2 scanner failure (also any condition not named
// here), 3 setting not supported or source too old, 4 driver's internal
// error (also a failure without a condition); ScannerRefused 0 access
// denied, 1 no colour; SystemError 0 out of memory, 6 device not ready in
// time; Cancelled when the source reports a cancel. A failed call leaves
// the state as it was. Nothing is reported here; the owner shows what is raised.
//
// Threads: every call comes from the owner's thread. The source talks back
// only through messages it posts into the parent EventSink; the owner offers
// them (and anything else it likes) to processEvent, which calls
// onTransferReady when the source has an image or asks to be closed.
//
// The manager library is found in the program's library directory (see
// libraryDirectory); a manager path handed over (setManagerPath, from the
// program's environment record) names the library file to load instead. A
// connection that was handed none reads the record when it loads.

#include "scanner/EventQueue.h"
#include "scanner/Twain.h"

#include <memory>
#include <optional>
#include <string>

namespace vestiscop::scanner {

class OneValueContainer;

class TwainConnection {
public:
    // The file name of the project's manager library.
    static const char* managerFileName();
    // directory + '/' (unless it already ends in one) + managerFileName().
    static std::string managerPath(const std::string& directory);
    // Where the manager library is looked for: next to the installed program
    // (its lib/vestiscop folder), else the build tree's platform folder.
    // The first of these that holds the library; the first when none does.
    static std::string libraryDirectory();

    TwainConnection();
    // Runs shutdown().
    virtual ~TwainConnection();
    TwainConnection(const TwainConnection&) = delete;
    TwainConnection& operator=(const TwainConnection&) = delete;

    // Disables and closes the source, closes the manager and unloads it,
    // each step guarded so that a failing one does not stop the next; state 1
    // afterwards. Once it returns no source posts any more. An owner that is
    // itself the parent EventSink calls this in its own destructor, while its
    // sink part still exists: a scan finishing during the teardown may still
    // post to it.
    void shutdown() noexcept;

    void setIdentity(const std::string& productFamily, const std::string& productName,
                     const std::string& manufacturer, const std::string& versionInfo, int majorNum, int minorNum,
                     int language, int country);

    // The library loadManager loads; empty: the program's own manager.
    void setManagerPath(const std::string& path) { m_managerPath = path; }
    // State 1 -> 2. ScannerError 0 "load library" or "get entry proc".
    void loadManager();
    // State 2 -> 3. A null parent makes the connection create its own
    // EventQueue (hiddenWindow()) and use it as the parent.
    void openManager(EventSink* parent);
    // State 3 -> 4: the default source the first time, the same source on
    // later calls. A source speaking a protocol other than 1.5 to 1.x raises
    // ScannerError 3 "invalid version" with the source left open (state 4).
    void openSource();
    // State 4 -> 5.
    void enableSource(bool showUserInterface);
    // From state 5: offers one message (a SourceMessage the source posted, or
    // anything else, null included) to the source. True when the message was
    // the source's and must not be handled further. Calls onTransferReady on
    // MSG_XFERREADY (state 6) and, after disabling the source, on
    // MSG_CLOSEDSREQ (state 4).
    bool processEvent(const void* message);
    // State 7 (or 6) -> 5, discarding any further pending images.
    void endTransfer();
    // State 5 or more -> 4.
    void disableSource();
    // State 4 or more -> 3.
    void closeSource();
    // State 3 or more -> 2; also drops the connection's own EventQueue.
    void closeManager();

    // Any state. Step text "set " + name ("???" when name is null).
    void setCapability(TW_UINT16 capability, OneValueContainer& container, const char* name);
    // The return code, never checked.
    TW_UINT16 setCapabilityUnchecked(TW_UINT16 capability, OneValueContainer& container);
    // DG_IMAGE / DAT_IMAGELAYOUT / MSG_SET, checked as "set page layout".
    void setImageLayout(const TW_IMAGELAYOUT& layout);
    // DG_IMAGE / DAT_IMAGENATIVEXFER / MSG_GET, checked as "get image". The
    // data is a pointer-sized handle variable; the caller owns the returned
    // handle (null if the source gave none). On failure any handle the
    // source did give is freed here.
    TW_HANDLE transferNativeImage();
    // The current value of a capability (DG_CONTROL / DAT_CAPABILITY /
    // MSG_GETCURRENT into a one-value container), or none when the source
    // does not give one. Never raises.
    std::optional<TW_ONEVALUE> currentValue(TW_UINT16 capability);
    // The source's condition code (DG_CONTROL / DAT_STATUS / MSG_GET), or
    // none when the request itself fails or no source is open.
    std::optional<TW_UINT16> sourceCondition();

    int state() const { return m_state; }
    TW_UINT16 lastResult() const { return m_lastResult; }
    const std::string& stepText() const { return m_stepText; }
    const TW_IDENTITY& applicationIdentity() const { return m_appIdentity; }
    const TW_IDENTITY& sourceIdentity() const { return m_sourceIdentity; }
    const TW_USERINTERFACE& userInterface() const { return m_userInterface; }
    // The queue the connection made when openManager got no parent, or null.
    EventQueue* hiddenWindow() const { return m_hiddenWindow.get(); }

protected:
    // The source has an image ready (state 6) or asked to be closed (state 4
    // when disabling succeeded). Runs inside processEvent.
    virtual void onTransferReady() {}

    // The transfer sets state 7 itself before it ends the transfer.
    void setState(int state) { m_state = state; }

    // Applies the last result of a call to destination (null: the manager):
    // a failure is looked up through DAT_STATUS and raised by its condition.
    void checkResult(TW_IDENTITY* destination, const std::string& stepText);

private:
    TW_UINT16 call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, void* data);
    void unloadManager();

    std::string m_stepText;
    TW_HANDLE m_parent = nullptr;  // an EventSink*
    std::unique_ptr<EventQueue> m_hiddenWindow;
    std::optional<std::string> m_managerPath;
    void* m_library = nullptr;
    DsmEntryProc m_entry = nullptr;
    int m_state = 1;
    TW_UINT16 m_lastResult = TWRC_SUCCESS;
    TW_IDENTITY m_appIdentity{};
    TW_IDENTITY m_sourceIdentity{};
    TW_USERINTERFACE m_userInterface{};
};

} // namespace vestiscop::scanner
