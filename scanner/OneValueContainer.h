// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A capability container holding one value (TWON_ONEVALUE): the 6-byte
// TW_ONEVALUE in a memory handle the source reads. The handle is allocated
// zero-filled on construction (SystemError 0 when memory runs out) and freed
// with the container. Values narrower than 32 bits stand in Item's low bytes.

#include "scanner/Twain.h"

namespace vestiscop::scanner {

class OneValueContainer {
public:
    OneValueContainer();
    OneValueContainer(TW_UINT16 itemType, TW_UINT32 item);
    // A TWTY_FIX32 value.
    static OneValueContainer fix32(double value);
    ~OneValueContainer();
    OneValueContainer(OneValueContainer&& other) noexcept;
    OneValueContainer(const OneValueContainer&) = delete;
    OneValueContainer& operator=(const OneValueContainer&) = delete;
    OneValueContainer& operator=(OneValueContainer&&) = delete;

    // Copies the value into the handle's memory.
    void write();
    // Takes the value back from the handle's memory (what a source may have put there).
    void read();
    bool equals(TW_UINT32 item) const { return m_value.Item == item; }

    TW_UINT16 containerType() const { return TWON_ONEVALUE; }
    TW_HANDLE handle() const { return m_handle; }
    const TW_ONEVALUE& value() const { return m_value; }
    void setValue(TW_UINT16 itemType, TW_UINT32 item);

private:
    TW_HANDLE m_handle = nullptr;
    TW_ONEVALUE m_value{};
};

} // namespace vestiscop::scanner
