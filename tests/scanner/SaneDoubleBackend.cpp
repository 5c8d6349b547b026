// SPDX-License-Identifier: GPL-3.0-or-later
// A SANE backend of the project's own, "vsdouble", for the scanner tests:
// it passes every call to SANE's virtual "test" backend and changes what
// that device offers or answers where the test backend's own options cannot
// make it behave like a real scanner. SANE's dll backend loads it like any
// other backend (dll.conf names it; LD_LIBRARY_PATH holds its directory),
// so the program reaches it through the real SANE library.
//
// vsdouble.conf, beside dll.conf and test.conf, read at sane_init:
//   resolutions 75 150 300 600   the only resolutions offered (a list)
//   resolution-default 75        what the device starts with
//   mode Lineart=Gray            a scan mode offered, and the test device's
//                                mode it is scanned in (one line each, in
//                                order; the first is the default)
//   open-status 11               sane_open answers this SANE status
//   start-status 12 2            sane_start answers this status the next
//                                2 times (-1: always)
//   trace /path/file             each open, start, cancel, close and exit
//                                (and cancelled and closed when done) is
//                                appended to the file as a line
//   read-status 9 middle         sane_read answers this SANE status at the
//                                first read (first), once half the page
//                                was delivered (middle) or in place of the
//                                end of the page (last)
//   own-page 1000 20             the double delivers the page itself, at
//                                most 1000 bytes a read taking 20 ms (the
//                                delay may be left out), as the test
//                                device would size it but without its
//                                reader thread (which the test device ends
//                                by cancelling it: under the address
//                                sanitizer a thread cancelled inside the
//                                allocator can leave it locked)
//   hang read 5000               the first read of a page, every cancel or
//                                every close (cancel, close) first stays
//                                this many milliseconds in the device,
//                                whatever else happens meanwhile

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Inner {
    void* library = nullptr;
    SANE_Status (*init)(SANE_Int*, SANE_Auth_Callback) = nullptr;
    void (*exit)() = nullptr;
    SANE_Status (*getDevices)(const SANE_Device***, SANE_Bool) = nullptr;
    SANE_Status (*open)(SANE_String_Const, SANE_Handle*) = nullptr;
    void (*close)(SANE_Handle) = nullptr;
    const SANE_Option_Descriptor* (*getOptionDescriptor)(SANE_Handle, SANE_Int) = nullptr;
    SANE_Status (*controlOption)(SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*) = nullptr;
    SANE_Status (*getParameters)(SANE_Handle, SANE_Parameters*) = nullptr;
    SANE_Status (*start)(SANE_Handle) = nullptr;
    SANE_Status (*read)(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*) = nullptr;
    void (*cancel)(SANE_Handle) = nullptr;
    SANE_Status (*setIoMode)(SANE_Handle, SANE_Bool) = nullptr;
    SANE_Status (*getSelectFd)(SANE_Handle, SANE_Int*) = nullptr;
};

struct Config {
    std::vector<double> resolutions;
    double resolutionDefault = 0;
    std::vector<std::pair<std::string, std::string>> modes;  // offered name, test device's name
    int openStatus = SANE_STATUS_GOOD;
    int startStatus = SANE_STATUS_GOOD;
    int startStatusCount = 0;
    std::string trace;
    int readStatus = SANE_STATUS_GOOD;
    std::string readStatusWhen;
    std::map<std::string, long> hangMs;  // read, cancel, close
    int ownPage = 0;  // bytes a read of the double's own page; 0: the test device's
    long ownPageDelayMs = 0;
};

// The page being delivered.
struct Page {
    long long total = 0;  // bytes the page holds
    long long delivered = 0;
    bool read = false;  // the first read is over
};

// The one open device: what it shows in place of the test device's options.
struct Device {
    SANE_Handle inner = nullptr;
    std::map<SANE_Int, SANE_Option_Descriptor> descriptors;
    std::vector<SANE_Word> resolutionList;
    std::vector<SANE_String_Const> modeList;
    std::string mode;  // the offered name chosen last
};

Inner g_inner;
Config g_config;
Device g_device;
Page g_page;
// Whether the double's own page is being delivered; a cancel may come from
// another thread than the reads.
std::atomic<bool> g_scanning{false};
// Open and close may come from different threads.
std::mutex g_openClose;

template <typename Function>
void bind(Function& function, const char* name)
{
    void* symbol = dlsym(g_inner.library, name);
    std::memcpy(&function, &symbol, sizeof symbol);
}

bool loadInner()
{
    if (g_inner.library)
        return true;
    g_inner.library = dlopen(SANE_TEST_BACKEND_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!g_inner.library)
        return false;
    bind(g_inner.init, "sane_test_init");
    bind(g_inner.exit, "sane_test_exit");
    bind(g_inner.getDevices, "sane_test_get_devices");
    bind(g_inner.open, "sane_test_open");
    bind(g_inner.close, "sane_test_close");
    bind(g_inner.getOptionDescriptor, "sane_test_get_option_descriptor");
    bind(g_inner.controlOption, "sane_test_control_option");
    bind(g_inner.getParameters, "sane_test_get_parameters");
    bind(g_inner.start, "sane_test_start");
    bind(g_inner.read, "sane_test_read");
    bind(g_inner.cancel, "sane_test_cancel");
    bind(g_inner.setIoMode, "sane_test_set_io_mode");
    bind(g_inner.getSelectFd, "sane_test_get_select_fd");
    return g_inner.init && g_inner.open && g_inner.controlOption && g_inner.getOptionDescriptor;
}

void readConfig()
{
    g_config = Config{};
    const char* directory = std::getenv("SANE_CONFIG_DIR");
    std::ifstream file(std::string(directory ? directory : ".") + "/vsdouble.conf");
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "resolutions") {
            for (double value = 0; words >> value;)
                g_config.resolutions.push_back(value);
        } else if (key == "resolution-default") {
            words >> g_config.resolutionDefault;
        } else if (key == "mode") {
            std::string rest;
            std::getline(words >> std::ws, rest);
            const std::size_t equals = rest.find('=');
            if (equals != std::string::npos)
                g_config.modes.emplace_back(rest.substr(0, equals), rest.substr(equals + 1));
        } else if (key == "open-status") {
            words >> g_config.openStatus;
        } else if (key == "start-status") {
            words >> g_config.startStatus >> g_config.startStatusCount;
        } else if (key == "trace") {
            words >> g_config.trace;
        } else if (key == "read-status") {
            words >> g_config.readStatus >> g_config.readStatusWhen;
        } else if (key == "own-page") {
            words >> g_config.ownPage >> g_config.ownPageDelayMs;
        } else if (key == "hang") {
            std::string call;
            long ms = 0;
            words >> call >> ms;
            g_config.hangMs[call] = ms;
        }
    }
}

// Stays in the device as the configuration says for this call.
void trace(const char* call)
{
    if (!g_config.trace.empty())
        std::ofstream(g_config.trace, std::ios::app) << call << std::endl;
}

// A hang is traced as it begins and ends ("hang read", "hang read over"),
// so that a test can wait until the device has let go.
void hang(const char* call)
{
    const auto found = g_config.hangMs.find(call);
    if (found == g_config.hangMs.end())
        return;
    trace(("hang " + std::string(call)).c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(found->second));
    trace(("hang " + std::string(call) + " over").c_str());
}

SANE_Int optionIndex(const char* name)
{
    SANE_Int count = 0;
    if (g_inner.controlOption(g_device.inner, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (SANE_Int index = 1; index < count; ++index) {
        const SANE_Option_Descriptor* option = g_inner.getOptionDescriptor(g_device.inner, index);
        if (option && option->name && std::strcmp(option->name, name) == 0)
            return index;
    }
    return -1;
}

const std::pair<std::string, std::string>* offeredMode(const char* name)
{
    for (const auto& mode : g_config.modes)
        if (mode.first == name)
            return &mode;
    return nullptr;
}

SANE_Status setInnerMode(const std::string& name)
{
    const SANE_Int index = optionIndex(SANE_NAME_SCAN_MODE);
    const SANE_Option_Descriptor* option = g_inner.getOptionDescriptor(g_device.inner, index);
    std::vector<char> value(static_cast<std::size_t>(std::max<SANE_Int>(option->size, 1)), '\0');
    std::strncpy(value.data(), name.c_str(), value.size() - 1);
    return g_inner.controlOption(g_device.inner, index, SANE_ACTION_SET_VALUE, value.data(), nullptr);
}

SANE_Word resolutionWord(SANE_Value_Type type, double value)
{
    return type == SANE_TYPE_FIXED ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
}

} // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT SANE_Status sane_vsdouble_init(SANE_Int* version, SANE_Auth_Callback authorize)
{
    if (!loadInner())
        return SANE_STATUS_INVAL;
    readConfig();
    return g_inner.init(version, authorize);
}

EXPORT void sane_vsdouble_exit()
{
    trace("exit");
    if (g_inner.exit)
        g_inner.exit();
}

EXPORT SANE_Status sane_vsdouble_get_devices(const SANE_Device*** list, SANE_Bool localOnly)
{
    return g_inner.getDevices(list, localOnly);
}

EXPORT SANE_Status sane_vsdouble_open(SANE_String_Const name, SANE_Handle* handle)
{
    trace("open");
    if (g_config.openStatus != SANE_STATUS_GOOD)
        return static_cast<SANE_Status>(g_config.openStatus);
    // A close may still be ending on another thread.
    const std::lock_guard<std::mutex> guard(g_openClose);
    const SANE_Status status = g_inner.open(name, handle);
    if (status != SANE_STATUS_GOOD)
        return status;
    g_device = Device{};
    g_device.inner = *handle;
    if (!g_config.modes.empty()) {
        g_device.mode = g_config.modes.front().first;
        setInnerMode(g_config.modes.front().second);
    }
    if (g_config.resolutionDefault > 0) {
        const SANE_Int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
        const SANE_Option_Descriptor* option = g_inner.getOptionDescriptor(g_device.inner, index);
        SANE_Word value = resolutionWord(option->type, g_config.resolutionDefault);
        g_inner.controlOption(g_device.inner, index, SANE_ACTION_SET_VALUE, &value, nullptr);
    }
    return SANE_STATUS_GOOD;
}

EXPORT void sane_vsdouble_close(SANE_Handle handle)
{
    trace("close");
    hang("close");
    {
        const std::lock_guard<std::mutex> guard(g_openClose);
        g_inner.close(handle);
        g_device = Device{};
    }
    trace("closed");
}

EXPORT const SANE_Option_Descriptor* sane_vsdouble_get_option_descriptor(SANE_Handle handle, SANE_Int index)
{
    const SANE_Option_Descriptor* inner = g_inner.getOptionDescriptor(handle, index);
    if (!inner || !inner->name)
        return inner;
    if (!g_config.resolutions.empty() && std::strcmp(inner->name, SANE_NAME_SCAN_RESOLUTION) == 0) {
        SANE_Option_Descriptor& shown = g_device.descriptors[index] = *inner;
        g_device.resolutionList.assign(1, static_cast<SANE_Word>(g_config.resolutions.size()));
        for (double value : g_config.resolutions)
            g_device.resolutionList.push_back(resolutionWord(inner->type, value));
        shown.constraint_type = SANE_CONSTRAINT_WORD_LIST;
        shown.constraint.word_list = g_device.resolutionList.data();
        return &shown;
    }
    if (!g_config.modes.empty() && std::strcmp(inner->name, SANE_NAME_SCAN_MODE) == 0) {
        SANE_Option_Descriptor& shown = g_device.descriptors[index] = *inner;
        g_device.modeList.clear();
        std::size_t longest = 0;
        for (const auto& mode : g_config.modes) {
            g_device.modeList.push_back(mode.first.c_str());
            longest = std::max(longest, mode.first.size());
        }
        g_device.modeList.push_back(nullptr);
        shown.constraint_type = SANE_CONSTRAINT_STRING_LIST;
        shown.constraint.string_list = g_device.modeList.data();
        shown.size = std::max<SANE_Int>(inner->size, static_cast<SANE_Int>(longest + 1));
        return &shown;
    }
    return inner;
}

EXPORT SANE_Status sane_vsdouble_control_option(SANE_Handle handle, SANE_Int index, SANE_Action action, void* value,
                                                SANE_Int* info)
{
    const SANE_Option_Descriptor* inner = index > 0 ? g_inner.getOptionDescriptor(handle, index) : nullptr;
    const char* name = inner && inner->name ? inner->name : "";
    if (!g_config.resolutions.empty() && std::strcmp(name, SANE_NAME_SCAN_RESOLUTION) == 0 &&
        action == SANE_ACTION_SET_VALUE) {
        const SANE_Word wanted = *static_cast<SANE_Word*>(value);
        bool offered = false;
        for (double resolution : g_config.resolutions)
            offered = offered || resolutionWord(inner->type, resolution) == wanted;
        if (!offered)
            return SANE_STATUS_INVAL;
    }
    if (!g_config.modes.empty() && std::strcmp(name, SANE_NAME_SCAN_MODE) == 0) {
        if (action == SANE_ACTION_GET_VALUE) {
            std::strcpy(static_cast<char*>(value), g_device.mode.c_str());
            return SANE_STATUS_GOOD;
        }
        if (action == SANE_ACTION_SET_VALUE) {
            const auto* mode = offeredMode(static_cast<const char*>(value));
            if (!mode)
                return SANE_STATUS_INVAL;
            const SANE_Status status = setInnerMode(mode->second);
            if (status == SANE_STATUS_GOOD)
                g_device.mode = mode->first;
            if (info)
                *info = SANE_INFO_RELOAD_OPTIONS | SANE_INFO_RELOAD_PARAMS;
            return status;
        }
    }
    return g_inner.controlOption(handle, index, action, value, info);
}

EXPORT SANE_Status sane_vsdouble_get_parameters(SANE_Handle handle, SANE_Parameters* parameters)
{
    return g_inner.getParameters(handle, parameters);
}

EXPORT SANE_Status sane_vsdouble_start(SANE_Handle handle)
{
    trace("start");
    if (g_config.startStatusCount != 0) {
        if (g_config.startStatusCount > 0)
            --g_config.startStatusCount;
        return static_cast<SANE_Status>(g_config.startStatus);
    }
    const SANE_Status status = g_config.ownPage > 0 ? SANE_STATUS_GOOD : g_inner.start(handle);
    g_page = Page{};
    SANE_Parameters parameters{};
    if (status == SANE_STATUS_GOOD && g_inner.getParameters(handle, &parameters) == SANE_STATUS_GOOD)
        g_page.total = static_cast<long long>(parameters.bytes_per_line) * parameters.lines;
    g_scanning = status == SANE_STATUS_GOOD;
    return status;
}

EXPORT SANE_Status sane_vsdouble_read(SANE_Handle handle, SANE_Byte* data, SANE_Int length, SANE_Int* read)
{
    if (!g_page.read) {
        g_page.read = true;
        hang("read");
    }
    const auto answer = static_cast<SANE_Status>(g_config.readStatus);
    const std::string& when = g_config.readStatusWhen;
    if (answer != SANE_STATUS_GOOD &&
        (when == "first" || (when == "middle" && g_page.delivered * 2 >= g_page.total))) {
        *read = 0;
        return answer;
    }
    SANE_Status status = SANE_STATUS_GOOD;
    if (g_config.ownPage > 0) {
        // A mid-grey page.
        std::this_thread::sleep_for(std::chrono::milliseconds(g_config.ownPageDelayMs));
        *read = static_cast<SANE_Int>(std::min<long long>({length, g_config.ownPage, g_page.total - g_page.delivered}));
        std::memset(data, 0x80, static_cast<std::size_t>(std::max(*read, 0)));
        status = !g_scanning ? SANE_STATUS_CANCELLED : *read > 0 ? SANE_STATUS_GOOD : SANE_STATUS_EOF;
    } else {
        status = g_inner.read(handle, data, length, read);
    }
    if (status == SANE_STATUS_GOOD)
        g_page.delivered += *read;
    if (status == SANE_STATUS_EOF && answer != SANE_STATUS_GOOD && when == "last")
        return answer;
    return status;
}

EXPORT void sane_vsdouble_cancel(SANE_Handle handle)
{
    trace("cancel");
    hang("cancel");
    g_scanning = false;
    if (g_config.ownPage == 0)
        g_inner.cancel(handle);
    trace("cancelled");
}

EXPORT SANE_Status sane_vsdouble_set_io_mode(SANE_Handle handle, SANE_Bool nonBlocking)
{
    return g_inner.setIoMode(handle, nonBlocking);
}

EXPORT SANE_Status sane_vsdouble_get_select_fd(SANE_Handle handle, SANE_Int* fd)
{
    return g_inner.getSelectFd(handle, fd);
}
