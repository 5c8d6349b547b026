// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The TWAIN 1.9 interface between the application and a data source
// manager: the types, structures, constants, return codes and condition
// codes the program uses, with the published values and the standard's
// packing (2-byte alignment, so TW_ONEVALUE is 6 bytes). Header-only, so
// that both the connection (scanner/) and the managers built by the project
// (platform/, the test double) compile against the same declarations.
//
// Two things here are this platform's own, because the standard leaves them
// to the operating system:
// - memory handles (TW_HANDLE): a block from the process's allocator with a
//   size and a lock count, reached through twainAlloc/twainLock/twainUnlock/
//   twainFree, which every module in the process shares;
// - the parent "window": a pointer to an EventSink, into which a source posts
//   its SourceMessage from any thread; the owner hands each message back
//   through MSG_PROCESSEVENT (TW_EVENT.pEvent points to the message).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vestiscop::scanner {

using TW_INT8 = std::int8_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_UINT8 = std::uint8_t;
using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_HANDLE = void*;
using TW_MEMREF = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)

struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};

struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

struct TW_FRAME {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
};

struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
};

// The information header at the start of a packed DIB (the native transfer's
// image): little-endian fields, 40 bytes, pixel rows directly after it.
struct DibHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;  // positive: bottom row first
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

#pragma pack(pop)

static_assert(sizeof(TW_FIX32) == 4);
static_assert(sizeof(TW_VERSION) == 42);
static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(void*));
static_assert(sizeof(TW_EVENT) == sizeof(void*) + 2);
static_assert(sizeof(TW_PENDINGXFERS) == 6);
static_assert(sizeof(TW_STATUS) == 4);
static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(void*));
static_assert(sizeof(TW_ONEVALUE) == 6);
static_assert(sizeof(TW_FRAME) == 16);
static_assert(sizeof(TW_IMAGELAYOUT) == 28);
static_assert(sizeof(DibHeader) == 40);

// The manager's one entry point.
extern "C" {
using DsmEntryProc = TW_UINT16 (*)(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat,
                                   TW_UINT16 msg, TW_MEMREF data);
}

// Data groups.
inline constexpr TW_UINT32 DG_CONTROL = 0x0001;
inline constexpr TW_UINT32 DG_IMAGE = 0x0002;

// Data argument types.
inline constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
inline constexpr TW_UINT16 DAT_EVENT = 0x0002;
inline constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
inline constexpr TW_UINT16 DAT_PARENT = 0x0004;
inline constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
inline constexpr TW_UINT16 DAT_STATUS = 0x0008;
inline constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
inline constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
inline constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;

// Messages.
inline constexpr TW_UINT16 MSG_NULL = 0x0000;
inline constexpr TW_UINT16 MSG_GET = 0x0001;
inline constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
inline constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
inline constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
inline constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
inline constexpr TW_UINT16 MSG_SET = 0x0006;
inline constexpr TW_UINT16 MSG_RESET = 0x0007;
inline constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
inline constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
inline constexpr TW_UINT16 MSG_CLOSEDSOK = 0x0103;
inline constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
inline constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
inline constexpr TW_UINT16 MSG_OPENDS = 0x0401;
inline constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
inline constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
inline constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
inline constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
inline constexpr TW_UINT16 MSG_ENDXFER = 0x0701;

// Return codes.
inline constexpr TW_UINT16 TWRC_SUCCESS = 0;
inline constexpr TW_UINT16 TWRC_FAILURE = 1;
inline constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
inline constexpr TW_UINT16 TWRC_CANCEL = 3;
inline constexpr TW_UINT16 TWRC_DSEVENT = 4;
inline constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
inline constexpr TW_UINT16 TWRC_XFERDONE = 6;
inline constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

// Condition codes. 20 and above name the cause of a failed acquisition;
// 24 and 29 carry the values the standard's later revisions gave them.
inline constexpr TW_UINT16 TWCC_SUCCESS = 0;
inline constexpr TW_UINT16 TWCC_BUMMER = 1;
inline constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
inline constexpr TW_UINT16 TWCC_NODS = 3;
inline constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
inline constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
inline constexpr TW_UINT16 TWCC_BADCAP = 6;
inline constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
inline constexpr TW_UINT16 TWCC_BADVALUE = 10;
inline constexpr TW_UINT16 TWCC_SEQERROR = 11;
inline constexpr TW_UINT16 TWCC_BADDEST = 12;
inline constexpr TW_UINT16 TWCC_CAPUNSUPPORTED = 13;
inline constexpr TW_UINT16 TWCC_CAPBADOPERATION = 14;
inline constexpr TW_UINT16 TWCC_CAPSEQERROR = 15;
inline constexpr TW_UINT16 TWCC_DENIED = 16;
inline constexpr TW_UINT16 TWCC_PAPERJAM = 20;
inline constexpr TW_UINT16 TWCC_PAPERDOUBLEFEED = 21;
inline constexpr TW_UINT16 TWCC_CHECKDEVICEONLINE = 23;
inline constexpr TW_UINT16 TWCC_INTERLOCK = 24;
inline constexpr TW_UINT16 TWCC_NOMEDIA = 29;

// This platform's own conditions and capabilities, in the range the
// standard leaves to sources (0x8000 and above). The project's manager
// knows them; any other source refuses them like an unknown capability.
inline constexpr TW_UINT16 TWCC_NOCOLOUR = 0x8001;   // the device cannot scan in colour
inline constexpr TW_UINT16 TWCC_TIMEDOUT = 0x8002;   // the device did not get ready in time
// MSG_SET, TWTY_BOOL: 1 makes the source adapt to the device: a resolution
// it lacks is scanned at the nearest one above it (the largest it has when
// none is), a frame beyond the glass is clipped, 8 bits per sample are
// asked for. Set before the resolutions and the frame.
inline constexpr TW_UINT16 CAP_ADAPTTODEVICE = 0x8001;
// MSG_GETCURRENT, TWTY_FIX32: the resolution the device will scan at.
inline constexpr TW_UINT16 ICAP_DEVICEXRESOLUTION = 0x8002;
inline constexpr TW_UINT16 ICAP_DEVICEYRESOLUTION = 0x8003;
// MSG_GETCURRENT, TWTY_UINT32: whole seconds the last scan waited for the
// device to warm up.
inline constexpr TW_UINT16 CAP_WARMUPSECONDS = 0x8004;

// Container types.
inline constexpr TW_UINT16 TWON_ONEVALUE = 5;

// Item types.
inline constexpr TW_UINT16 TWTY_INT16 = 1;
inline constexpr TW_UINT16 TWTY_INT32 = 2;
inline constexpr TW_UINT16 TWTY_UINT16 = 4;
inline constexpr TW_UINT16 TWTY_UINT32 = 5;
inline constexpr TW_UINT16 TWTY_BOOL = 6;
inline constexpr TW_UINT16 TWTY_FIX32 = 7;

// Capabilities.
inline constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
inline constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
inline constexpr TW_UINT16 ICAP_UNITS = 0x0102;
inline constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
inline constexpr TW_UINT16 ICAP_GAMMA = 0x1108;
inline constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
inline constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;

// Capability values.
inline constexpr TW_UINT16 TWPT_BW = 0;
inline constexpr TW_UINT16 TWPT_GRAY = 1;
inline constexpr TW_UINT16 TWPT_RGB = 2;
inline constexpr TW_UINT16 TWSX_NATIVE = 0;

// Identity values.
inline constexpr TW_UINT16 TWLG_USA = 13;
inline constexpr TW_UINT16 TWCY_USA = 1;

// TW_FIX32 from a double: v * 65536 rounded half away from zero, truncated
// to 32 bits; Whole is the upper half with sign, Frac the lower half.
inline TW_FIX32 toFix32(double value)
{
    const double scaled = value >= 0 ? value * 65536.0 + 0.5 : value * 65536.0 - 0.5;
    const auto n = static_cast<std::int32_t>(scaled);
    return TW_FIX32{static_cast<TW_INT16>(n >> 16), static_cast<TW_UINT16>(n & 0xFFFF)};
}

inline double fromFix32(TW_FIX32 value)
{
    return value.Whole + value.Frac / 65536.0;
}

inline TW_UINT32 fix32Bits(TW_FIX32 value)
{
    TW_UINT32 bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

inline TW_FIX32 fix32FromBits(TW_UINT32 bits)
{
    TW_FIX32 value{};
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Memory handles. A handle is the address of this header; the usable bytes
// follow it, aligned for any type. Allocation failure yields a null handle.
struct TwainMemoryBlock {
    std::size_t size;
    int locks;
    alignas(std::max_align_t) unsigned char bytes[1];
};

// size zero-initialised bytes, or null.
inline TW_HANDLE twainAlloc(std::size_t size)
{
    if (size > SIZE_MAX - sizeof(TwainMemoryBlock))
        return nullptr;
    void* memory = std::calloc(1, sizeof(TwainMemoryBlock) + size);
    if (!memory)
        return nullptr;
    auto* block = new (memory) TwainMemoryBlock;
    block->size = size;
    block->locks = 0;
    return block;
}

inline void* twainLock(TW_HANDLE handle)
{
    if (!handle)
        return nullptr;
    auto* block = static_cast<TwainMemoryBlock*>(handle);
    ++block->locks;
    return block->bytes;
}

inline void twainUnlock(TW_HANDLE handle)
{
    if (handle && static_cast<TwainMemoryBlock*>(handle)->locks > 0)
        --static_cast<TwainMemoryBlock*>(handle)->locks;
}

inline std::size_t twainSize(TW_HANDLE handle)
{
    return handle ? static_cast<const TwainMemoryBlock*>(handle)->size : 0;
}

inline void twainFree(TW_HANDLE handle)
{
    std::free(handle);
}

// What a source posts into its owner's queue. The owner does not look
// inside; it hands the message back through MSG_PROCESSEVENT, and only the
// manager that posted it recognises it (by magic and source id) and tells
// whether it is current or left over from an earlier acquisition.
struct SourceMessage {
    static constexpr std::uint32_t Magic = 0x56534D47;  // "VSMG"
    std::uint32_t magic = 0;
    std::uint32_t sourceId = 0;
    std::uint64_t serial = 0;
};

// The parent window of the connection. post() may be called from any thread
// and must not block for long; it queues the message for the owner's thread,
// which then offers it to TwainConnection::processEvent.
class EventSink {
public:
    virtual void post(const SourceMessage& message) = 0;

protected:
    ~EventSink() = default;
};

} // namespace vestiscop::scanner
