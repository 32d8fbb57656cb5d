// SPDX-License-Identifier: MIT
#include "app/Platform.h"

#ifdef _WIN32
#include <QByteArray>
#include <fcntl.h>
#include <io.h>
#include <tuple>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

namespace {

bool given(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

bool prepareStandardStreams() {
    // Text mode would make the CSV rows' CRLF a CR CR LF, and every other LF a CRLF.
    for (const int descriptor : {1, 2}) {
        if (given(descriptor == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
            _setmode(descriptor, _O_BINARY);
        }
    }
    // A window program's messages go to the debugger unless it has a console.
    qputenv("QT_FORCE_STDERR_LOGGING", QByteArrayLiteral("1"));
    return true;
}

void useStartingConsole() {
    const bool output = given(STD_OUTPUT_HANDLE);
    const bool error = given(STD_ERROR_HANDLE);
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return; // started from no console: what it was given is all there is
    }
    for (const auto& [stream, descriptor, taken] :
         {std::tuple{STD_OUTPUT_HANDLE, 1, output}, std::tuple{STD_ERROR_HANDLE, 2, error}}) {
        if (taken) {
            continue; // redirected: the console is only for Ctrl+C
        }
        HANDLE console =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (console == INVALID_HANDLE_VALUE) {
            continue;
        }
        SetStdHandle(stream, console);
        const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_BINARY);
        if (opened >= 0 && opened != descriptor) {
            _dup2(opened, descriptor);
            _close(opened);
        }
    }
}

void prepareWindowStyle() {
    if (!qEnvironmentVariableIsSet("QT_STYLE_OVERRIDE")) {
        qputenv("QT_STYLE_OVERRIDE", QByteArrayLiteral("Fusion"));
    }
}

#else

// A log or lock opened while descriptor 0, 1 or 2 is closed would take its
// place, and output and messages would land in it. Each closed one is taken
// by /dev/null, read-only for stdout and stderr so that their writes still
// fail as on a closed descriptor (EBADF).
bool prepareStandardStreams() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF &&
            ::open("/dev/null", descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY) != descriptor) {
            return false;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // Each line of a message leaves in one write, so that the lines of copies
    // sharing one stderr (a terminal, a line's journal) never run into each other.
    std::setvbuf(stderr, nullptr, _IOLBF, BUFSIZ);
    return true;
}

void useStartingConsole() {}

void prepareWindowStyle() {}

#endif

} // namespace platform
