// SPDX-License-Identifier: MIT
#include "app/StandardError.h"

#include <cstdio>
#include <ostream>
#include <streambuf>

namespace {

// Unbuffered itself: stderr's own buffer decides when bytes leave.
struct StderrBuffer : std::streambuf {
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        return std::fputc(traits_type::to_char_type(c), stderr) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), stderr));
    }
    int sync() override { return std::fflush(stderr) == 0 ? 0 : -1; }
};

} // namespace

std::ostream& standardError() {
    static StderrBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}
