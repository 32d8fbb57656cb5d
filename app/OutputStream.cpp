// SPDX-License-Identifier: MIT
#include "app/OutputStream.h"

#include "app/StopSignals.h"

#include <cerrno>
#include <unistd.h>

OutputStream::OutputStream(int descriptor) : std::ostream(nullptr), buffer_(descriptor) {
    rdbuf(&buffer_);
}

OutputStream::Buffer::int_type OutputStream::Buffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize OutputStream::Buffer::xsputn(const char* s, std::streamsize n) {
    std::streamsize done = 0;
    while (done < n && error == 0) {
        const ssize_t written = ::write(descriptor, s + done, static_cast<std::size_t>(n - done));
        if (written < 0 || (written < n - done && stop::requested() != 0)) {
            error = written < 0 ? errno : EINTR;
            break;
        }
        done += written;
    }
    return done;
}
