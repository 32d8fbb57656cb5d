// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <streambuf>

// Standard output for --read and the other commands that print: written
// through at once, so that a failure shows at the write that met it. A write
// blocked on a reader that does not read gives up when SIGINT or SIGTERM asks
// --read to stop.
class OutputStream : public std::ostream {
public:
    explicit OutputStream(int descriptor);
    // errno of the first write that failed; 0 while none did.
    int error() const { return buffer_.error; }

private:
    struct Buffer : std::streambuf {
        explicit Buffer(int descriptor) : descriptor(descriptor) {}
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int descriptor;
        int error = 0;
    };
    Buffer buffer_;
};
