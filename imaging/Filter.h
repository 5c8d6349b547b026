// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One stage of a row stream: images, image files and the analysis filters
// pass pictures between each other one row at a time, so that a chain holds
// only a few rows however tall the picture is.
//
// A stage knows the length (bytes) and count of the rows it delivers, fixed
// when it is built from its upstream stage. pull() yields the next row, a
// pointer into a buffer the stage owns that stays valid until the next pull.
// After the last row, pull() throws Filter::EndOfStream: the normal end of
// the stream, not a failure, so it is outside the Exception hierarchy and
// never reaches the user (the row pump swallows it).

#include <cstdint>

namespace vestiscop::imaging {

class Filter {
public:
    struct EndOfStream {};

    virtual ~Filter() = default;
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // The next row, or EndOfStream.
    virtual const std::uint8_t* pull() = 0;
    // Fills row (rowLength() bytes) with the next row, or EndOfStream. A
    // stage that can produce straight into the caller's memory (a file
    // reader) overrides this; the default copies what pull() yields.
    virtual void pullInto(std::uint8_t* row);

    // Bytes per delivered row.
    int rowLength() const { return m_rowLength; }
    // Rows delivered before EndOfStream; negative when not known in advance.
    int rowCount() const { return m_rowCount; }

protected:
    Filter(int rowLength, int rowCount) : m_rowLength(rowLength), m_rowCount(rowCount) {}

private:
    int m_rowLength;
    int m_rowCount;
};

} // namespace vestiscop::imaging
