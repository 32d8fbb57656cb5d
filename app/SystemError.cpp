// SPDX-License-Identifier: MIT
#include "app/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace systemerror {

#ifdef _WIN32

int last() {
    return static_cast<int>(GetLastError());
}

QString text(int error) {
    wchar_t words[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, words, sizeof words / sizeof *words, nullptr);
    const QString said = QString::fromWCharArray(words, static_cast<qsizetype>(length)).trimmed();
    return said.isEmpty() ? QStringLiteral("system error %1").arg(error) : said;
}

#else

int last() {
    return errno;
}

QString text(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

#endif

} // namespace systemerror
