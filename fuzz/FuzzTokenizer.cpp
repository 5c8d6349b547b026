// SPDX-License-Identifier: GPL-3.0-or-later
// The tokenizer under arbitrary text and an arbitrary sequence of reads, and
// the data-file reader over the same bytes as a file. A read either yields a
// value and moves forward, or raises ParseError 0, 1 or 2; nothing else.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MemoryFile.h"
#include "foundation/Exception.h"
#include "foundation/Tokenizer.h"

using namespace vestiscop;
using fuzz::require;

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

void runOperations(FuzzedDataProvider& input, const std::string& text)
{
    foundation::Tokenizer tokenizer(text);
    const int steps = input.ConsumeIntegralInRange(1, 12);
    for (int step = 0; step < steps; ++step) {
        const std::size_t before = tokenizer.position();
        try {
            switch (input.ConsumeIntegralInRange(0, 4)) {
            case 0: {
                std::string token;
                tokenizer.readToken(token);
                // A token is a piece of the text and never contains a separator
                // unless it was quoted.
                require(token.size() <= text.size());
                require(text.find(token) != std::string::npos);
                break;
            }
            case 1: {
                // The C library's conversion, clamped to 32 bits, is the
                // independent reference for value and end.
                std::size_t start = before;
                while (start < text.size() && isSeparator(text[start]))
                    ++start;
                const char* first = text.c_str() + start;
                char* end = nullptr;
                errno = 0;
                const long long wide = std::strtoll(first, &end, 10);
                std::int32_t value = 0;
                tokenizer.readInt(value);
                require(end != first);
                require(tokenizer.position() == start + static_cast<std::size_t>(end - first));
                const long long clamped = std::clamp<long long>(wide, INT32_MIN, INT32_MAX);
                require(value == clamped);
                break;
            }
            case 2: {
                double value = 0;
                tokenizer.readReal(value);
                require(tokenizer.position() > before);
                break;
            }
            case 3:
                tokenizer.expectEnd();
                require(tokenizer.onlySeparatorsLeft());
                break;
            default:
                tokenizer.skipSeparators();
                require(tokenizer.position() == text.size() || !isSeparator(text[tokenizer.position()]));
                break;
            }
        } catch (const foundation::ParseError& error) {
            require(error.code() >= 0 && error.code() <= 2);
        }
        require(tokenizer.position() >= before);
        require(tokenizer.position() <= text.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(512);
    runOperations(input, text);

    std::string line = text;
    const std::size_t length = line.size();
    foundation::stripLineEnd(line);
    require(line.size() == length || (line.size() + 1 == length && text.back() == '\n'));

    // The rest of the input as a data file: every line that is read is handed
    // over as a whole, and the loader stops at the first bad record.
    const std::string file = input.ConsumeRemainingBytesAsString();
    fuzz::MemoryFile memory(file);
    try {
        foundation::readDataFile(memory.path(), [](foundation::Tokenizer& record) {
            require(record.position() == 0);
            require(!record.onlySeparatorsLeft());
            require(record.input().empty() || record.input()[0] != ';');
            std::string name;
            std::int32_t value = 0;
            record.readToken(name).readInt(value).expectEnd();
        });
    } catch (const foundation::ParseError& error) {
        require(error.code() >= 0 && error.code() <= 2);
    }
    return 0;
}
