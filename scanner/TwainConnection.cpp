// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanner/TwainConnection.h"

#include "foundation/Environment.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "scanner/OneValueContainer.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef VESTISCOP_MANAGER_FILE_NAME
#define VESTISCOP_MANAGER_FILE_NAME "libvestiscop_twain_sane.so"
#endif
#ifndef VESTISCOP_MANAGER_INSTALL_DIR
#define VESTISCOP_MANAGER_INSTALL_DIR "../lib/vestiscop"
#endif
#ifndef VESTISCOP_MANAGER_BUILD_DIR
#define VESTISCOP_MANAGER_BUILD_DIR ""
#endif

namespace vestiscop::scanner {

using foundation::Cancelled;
using foundation::ScannerError;
using foundation::ScannerRefused;
using foundation::SystemError;

namespace {

// The reaction to a condition code after TWRC_FAILURE. Every failure
// raises: a step the source refused never counts as done.
[[noreturn]] void raiseCondition(TW_UINT16 condition, const std::string& step)
{
    switch (condition) {
    case TWCC_LOWMEMORY:
        throw SystemError(foundation::systemError::OutOfMemory, step);
    case TWCC_NODS:
        throw ScannerError(0, step);
    case TWCC_MAXCONNECTIONS:
        throw ScannerError(1, step);
    case TWCC_BADCAP:
    case TWCC_BADVALUE:
    case TWCC_CAPUNSUPPORTED:
    case TWCC_CAPBADOPERATION:
        throw ScannerError(3, step);
    case TWCC_SUCCESS:
        // A failure that names no condition: the driver contradicts itself.
    case TWCC_BADPROTOCOL:
    case TWCC_SEQERROR:
    case TWCC_BADDEST:
    case TWCC_CAPSEQERROR:
        throw ScannerError(4, step);
    case TWCC_DENIED:
        throw ScannerRefused(foundation::scannerRefused::AccessDenied, step);
    case TWCC_NOCOLOUR:
        throw ScannerRefused(foundation::scannerRefused::NoColour, step);
    case TWCC_TIMEDOUT:
        throw SystemError(foundation::systemError::TimedOut, step);
    default:
        // TWCC_BUMMER, TWCC_OPERATIONERROR, a cause of a failed page, or a
        // code this program does not know.
        throw ScannerError(2, step);
    }
}

template <typename Step>
void guarded(Step step) noexcept
{
    try {
        step();
    } catch (...) {
        // Teardown goes on: a source that fails to close must not keep the
        // manager loaded.
    }
}

} // namespace

const char* TwainConnection::managerFileName()
{
    return VESTISCOP_MANAGER_FILE_NAME;
}

std::string TwainConnection::managerPath(const std::string& directory)
{
    std::string path = directory;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + managerFileName();
}

std::string TwainConnection::libraryDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string installed;
    if (!error)
        installed = (program.parent_path() / VESTISCOP_MANAGER_INSTALL_DIR).lexically_normal().string();
    const std::string built = VESTISCOP_MANAGER_BUILD_DIR;
    for (const std::string& candidate : {installed, built}) {
        if (!candidate.empty() && std::filesystem::exists(managerPath(candidate), error))
            return candidate;
    }
    return installed.empty() ? built : installed;
}

TwainConnection::TwainConnection()
{
    m_appIdentity.ProtocolMajor = 1;
    m_appIdentity.ProtocolMinor = 9;
    m_appIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
}

TwainConnection::~TwainConnection()
{
    shutdown();
}

void TwainConnection::shutdown() noexcept
{
    guarded([this] { disableSource(); });
    guarded([this] { closeSource(); });
    guarded([this] { closeManager(); });
    guarded([this] {
        if (m_state >= 2)
            unloadManager();
    });
}

void TwainConnection::setIdentity(const std::string& productFamily, const std::string& productName,
                                  const std::string& manufacturer, const std::string& versionInfo, int majorNum,
                                  int minorNum, int language, int country)
{
    // Each string field holds 33 characters and its terminating zero.
    const auto copy = [](char (&field)[34], const std::string& text) {
        std::memset(field, 0, sizeof field);
        std::strncpy(field, text.c_str(), sizeof field - 1);
    };
    copy(m_appIdentity.ProductFamily, productFamily);
    copy(m_appIdentity.ProductName, productName);
    copy(m_appIdentity.Manufacturer, manufacturer);
    copy(m_appIdentity.Version.Info, versionInfo);
    m_appIdentity.Version.MajorNum = static_cast<TW_UINT16>(majorNum);
    m_appIdentity.Version.MinorNum = static_cast<TW_UINT16>(minorNum);
    m_appIdentity.Version.Language = static_cast<TW_UINT16>(language);
    m_appIdentity.Version.Country = static_cast<TW_UINT16>(country);
}

void TwainConnection::loadManager()
{
    if (m_state > 1)
        return;
    const std::string chosen = m_managerPath ? *m_managerPath : foundation::Environment::read().managerPath;
    const std::string path = !chosen.empty() ? chosen : managerPath(libraryDirectory());
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw ScannerError(0, "load library");
    void* symbol = dlsym(library, "DSM_Entry");
    if (!symbol) {
        dlclose(library);
        throw ScannerError(0, "get entry proc");
    }
    m_library = library;
    static_assert(sizeof m_entry == sizeof symbol);
    std::memcpy(&m_entry, &symbol, sizeof m_entry);
    m_state = 2;
}

void TwainConnection::unloadManager()
{
    if (m_library)
        dlclose(m_library);
    m_library = nullptr;
    m_entry = nullptr;
    m_state = 1;
}

void TwainConnection::openManager(EventSink* parent)
{
    if (m_state > 2)
        return;
    if (!parent) {
        m_hiddenWindow = std::make_unique<EventQueue>();
        parent = m_hiddenWindow.get();
    }
    m_parent = static_cast<void*>(parent);
    call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_parent);
    checkResult(nullptr, "open source manager");
    m_state = 3;
}

void TwainConnection::openSource()
{
    if (m_state > 3)
        return;
    m_sourceIdentity.Id = 0;
    call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_sourceIdentity);
    checkResult(nullptr, "open source");
    m_state = 4;
    if (m_sourceIdentity.ProtocolMajor != 1 || m_sourceIdentity.ProtocolMinor < 5)
        throw ScannerError(3, "invalid version");
}

void TwainConnection::enableSource(bool showUserInterface)
{
    if (m_state > 4)
        return;
    m_userInterface.ShowUI = showUserInterface ? 1 : 0;
    m_userInterface.ModalUI = 1;
    m_userInterface.hParent = m_parent;
    call(&m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_userInterface);
    checkResult(&m_sourceIdentity, "enable source");
    m_state = 5;
}

bool TwainConnection::processEvent(const void* message)
{
    if (m_state < 5)
        return false;
    TW_EVENT event{const_cast<void*>(message), MSG_NULL};
    const TW_UINT16 result = call(&m_sourceIdentity, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.TWMessage == MSG_XFERREADY && m_state != 6) {
        m_state = 6;
        onTransferReady();
    }
    if (event.TWMessage == MSG_CLOSEDSREQ) {
        disableSource();
        onTransferReady();
    }
    return result == TWRC_DSEVENT;
}

void TwainConnection::endTransfer()
{
    TW_PENDINGXFERS pending{};
    if (m_state == 7) {
        call(&m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        checkResult(&m_sourceIdentity, "end transfer");
        m_state = pending.Count != 0 ? 6 : 5;
    }
    if (m_state == 6) {
        call(&m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
        checkResult(&m_sourceIdentity, "reset transfer");
        m_state = 5;
    }
}

void TwainConnection::disableSource()
{
    if (m_state < 5)
        return;
    call(&m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_userInterface);
    checkResult(&m_sourceIdentity, "disable source");
    m_state = 4;
}

void TwainConnection::closeSource()
{
    if (m_state < 4)
        return;
    call(&m_sourceIdentity, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_sourceIdentity);
    checkResult(&m_sourceIdentity, "close source");
    m_state = 3;
}

void TwainConnection::closeManager()
{
    if (m_state < 3)
        return;
    call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_parent);
    checkResult(nullptr, "close source manager");
    m_state = 2;
    // The manager has stopped its sources, so nothing posts any more.
    m_hiddenWindow.reset();
}

void TwainConnection::setCapability(TW_UINT16 capability, OneValueContainer& container, const char* name)
{
    m_stepText = foundation::format("%s %s", "set", name ? name : "???");
    setCapabilityUnchecked(capability, container);
    checkResult(&m_sourceIdentity, m_stepText);
}

TW_UINT16 TwainConnection::setCapabilityUnchecked(TW_UINT16 capability, OneValueContainer& container)
{
    TW_CAPABILITY record{capability, container.containerType(), container.handle()};
    container.write();
    return call(&m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &record);
}

void TwainConnection::setImageLayout(const TW_IMAGELAYOUT& layout)
{
    TW_IMAGELAYOUT sent = layout;
    call(&m_sourceIdentity, DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &sent);
    checkResult(&m_sourceIdentity, "set page layout");
}

TW_HANDLE TwainConnection::transferNativeImage()
{
    TW_HANDLE image = nullptr;
    call(&m_sourceIdentity, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image);
    try {
        checkResult(&m_sourceIdentity, "get image");
    } catch (...) {
        // A source that fails the transfer but still hands memory over
        // must not leak it.
        twainFree(image);
        throw;
    }
    return image;
}

std::optional<TW_ONEVALUE> TwainConnection::currentValue(TW_UINT16 capability)
{
    if (m_state < 4 || !m_entry)
        return std::nullopt;
    // The container is the caller's, as for MSG_SET: the project's sources
    // write the value into it.
    try {
        OneValueContainer container;
        TW_CAPABILITY record{capability, container.containerType(), container.handle()};
        container.write();
        if (call(&m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &record) != TWRC_SUCCESS)
            return std::nullopt;
        container.read();
        if (container.value().ItemType == 0)
            return std::nullopt;
        return container.value();
    } catch (const foundation::Exception&) {
        return std::nullopt;
    }
}

std::optional<TW_UINT16> TwainConnection::sourceCondition()
{
    if (m_state < 4 || !m_entry)
        return std::nullopt;
    TW_STATUS status{};
    if (call(&m_sourceIdentity, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS)
        return std::nullopt;
    return status.ConditionCode;
}

TW_UINT16 TwainConnection::call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                void* data)
{
    m_lastResult = m_entry ? m_entry(&m_appIdentity, destination, group, dat, msg, data) : TWRC_FAILURE;
    return m_lastResult;
}

void TwainConnection::checkResult(TW_IDENTITY* destination, const std::string& stepText)
{
    switch (m_lastResult) {
    case TWRC_FAILURE: {
        // Without a loaded manager there is nobody to ask: no scanner.
        if (!m_entry)
            throw ScannerError(0, stepText);
        TW_STATUS status{};
        const TW_UINT16 statusResult = call(destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        raiseCondition(statusResult == TWRC_SUCCESS ? status.ConditionCode : TWCC_BUMMER, stepText);
    }
    case TWRC_CHECKSTATUS:
        throw ScannerError(3, stepText);
    case TWRC_CANCEL:
        throw Cancelled();
    default:
        return;
    }
}

} // namespace vestiscop::scanner
