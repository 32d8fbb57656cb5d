// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The system's own words for why a call failed, for the one line that says
// so: errno and strerror() on POSIX systems, GetLastError() and
// FormatMessage() on Windows.
namespace systemerror {

// The error of the system call that failed last on this thread.
int last();
QString text(int error);

} // namespace systemerror
