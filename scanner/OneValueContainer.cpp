// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanner/OneValueContainer.h"

#include "foundation/Exception.h"

#include <cstring>
#include <utility>

namespace vestiscop::scanner {

OneValueContainer::OneValueContainer() : m_handle(twainAlloc(sizeof(TW_ONEVALUE)))
{
    if (!m_handle)
        throw foundation::SystemError(foundation::systemError::OutOfMemory, std::string());
}

OneValueContainer::OneValueContainer(TW_UINT16 itemType, TW_UINT32 item) : OneValueContainer()
{
    setValue(itemType, item);
}

OneValueContainer OneValueContainer::fix32(double value)
{
    return OneValueContainer(TWTY_FIX32, fix32Bits(toFix32(value)));
}

OneValueContainer::~OneValueContainer()
{
    twainFree(m_handle);
}

OneValueContainer::OneValueContainer(OneValueContainer&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_value(other.m_value)
{
}

void OneValueContainer::setValue(TW_UINT16 itemType, TW_UINT32 item)
{
    m_value.ItemType = itemType;
    m_value.Item = item;
}

void OneValueContainer::write()
{
    void* memory = twainLock(m_handle);
    std::memcpy(memory, &m_value, sizeof m_value);
    twainUnlock(m_handle);
}

void OneValueContainer::read()
{
    const void* memory = twainLock(m_handle);
    std::memcpy(&m_value, memory, sizeof m_value);
    twainUnlock(m_handle);
}

} // namespace vestiscop::scanner
