// SPDX-License-Identifier: MIT
#include "app/OutputStream.h"

#include "app/StopSignals.h"

#include <cerrno>
#include <unistd.h>

#ifdef _WIN32
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <io.h>
#include <windows.h>

namespace {

// A console shows bytes in a code page of its own, neither the system's nor
// UTF-8, so text for one goes as UTF-16: every character shows as on Linux.
// The text table comes in the system's code page, everything else in UTF-8.
// False when the descriptor is no console.
bool writeToConsole(int descriptor, const char* s, std::streamsize n, int& error) {
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
        return false;
    }
    const QByteArray bytes(s, static_cast<qsizetype>(n));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        text = QString::fromLocal8Bit(bytes);
    }
    DWORD written = 0;
    if (!WriteConsoleW(console, text.utf16(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        error = EIO;
    }
    return true;
}

} // namespace
#endif

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
#ifdef _WIN32
    if (error == 0 && writeToConsole(descriptor, s, n, error)) {
        return error == 0 ? n : 0;
    }
#endif
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
