// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture that arrives on a stream (the command-line program's standard
// input), judged as it arrives and kept in a file of its own for the
// readers, which want a file they can open by name. The first bytes decide
// whether it is a BMP or PNG at all; the header's size is held to the same
// limits as a file's; and no more of the stream is read or written than
// that picture can need:
//  - BMP: the 54 header bytes, then bfOffBits and the rows the header
//    declares. The bytes between the header and the pixels are read but
//    not kept (the file kept says its pixels follow its header).
//  - PNG: the signature and IHDR, then chunk by chunk up to IEND, all of it
//    at most pngStreamLimit() bytes.
// Anything else ends at once, before the file is made.

#include <cstdint>
#include <string>

namespace vestiscop::app {

// The most of a stream a PNG of that size may take: its pixels uncompressed
// (height x (1 + 3 x width) bytes) plus a sixteenth plus 1 MiB for the
// chunks' framing and the ancillary chunks.
std::int64_t pngStreamLimit(std::int64_t width, std::int64_t height);

class SpooledPicture {
public:
    // Reads the picture from the descriptor in; the file is made in
    // directory. Failures are SystemErrors: 5 (with an empty argument, as
    // for a file) for content the readers would refuse or a PNG beyond its
    // limit, 3 with name when reading fails or the stream ends inside the
    // header, 4 with the file's path when it cannot be written. A stream
    // that ends inside the pixels is kept as it came: reading the file
    // then fails as for a short file.
    SpooledPicture(int in, const std::string& name, const std::string& directory);
    // Removes the file.
    ~SpooledPicture();
    SpooledPicture(const SpooledPicture&) = delete;
    SpooledPicture& operator=(const SpooledPicture&) = delete;

    const std::string& path() const { return m_path; }

private:
    void create();
    // Closes and removes the file, if any.
    void discard();
    void write(const std::uint8_t* bytes, std::size_t count);
    // Passes count bytes of the stream on (keep) or drops them; false when
    // the stream ended first.
    bool pass(std::int64_t count, bool keep);
    std::size_t read(std::uint8_t* into, std::size_t count);
    void spoolBmp(std::uint8_t* head, std::size_t got);
    void spoolPng(std::uint8_t* head);

    int m_in;
    std::string m_name;
    std::string m_directory;
    std::string m_path;
    int m_out = -1;
};

} // namespace vestiscop::app
