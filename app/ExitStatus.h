// SPDX-License-Identifier: MIT
#pragma once

#include <csignal>

// Exit statuses of the program; --read uses them all, --list-devices some.
namespace exitstatus {
inline constexpr int Passed = 0;            // every cycle reached the receiver, data as required
inline constexpr int NoReceiver = 1;        // not found, or found but not opened
inline constexpr int UsageError = 2;        // the command line, or a log that cannot be opened
inline constexpr int ReceiverLost = 3;      // an answer did not come during a cycle
inline constexpr int SensorWithoutData = 4; // a required sensor held no data
inline constexpr int ReceiverInUse = 5;     // another copy holds the receiver
inline constexpr int WriteFailed = 6;       // the output or the log could not be written
inline constexpr int OutsideLimits = 7;     // a value was outside its limits (--limits)
inline constexpr int NothingToReport = 1;   // --report: its source holds no run that matches
// A run that SIGINT or SIGTERM ended early, after its clean end, says so as
// shells do: 128 + the signal's number.
constexpr int stoppedBy(int signal) {
    return 128 + signal;
}

// What each status means, for --help; over several cycles of --read the
// status of higher seriousness counts (0: not a cycle's verdict).
struct Meaning {
    int status;
    int seriousness;
    bool ofListDevices; // --list-devices may end with it too
    const char* text;   // a '\n' continues the text on the next line
};
inline constexpr Meaning Meanings[] = {
    {Passed, 0, true,
     "--read: every cycle reached the receiver, all five answers came, and the\n"
     "required sensors held data; --list-devices: the receiver can be opened"},
    {NoReceiver, 5, true, "the receiver was not found or could not be opened"},
    {UsageError, 0, true,
     "usage error: an unknown option or value, an option given twice or to an\n"
     "action that does not take it, a --serial that several receivers carry,\n"
     "a --log file that cannot be opened, a bad --limits file, or a --record or\n"
     "--junit file that cannot be written"},
    {ReceiverLost, 3, false, "the receiver was lost during a cycle (an answer did not come)"},
    {SensorWithoutData, 2, false, "a required sensor held no data"},
    {ReceiverInUse, 4, true, "another copy of Tyrescope is using the receiver"},
    {WriteFailed, 0, true,
     "the output or the log could not be written, or the log holds rows of\n"
     "another layout than this version writes, or the --record or --junit file\n"
     "could not be written at the end (stderr gives the run's own status), or\n"
     "the record could be neither stored (--results) nor kept in the spool;\n"
     "--history: the store could not be read; --sync-results: records are left\n"
     "in the spool"},
    {OutsideLimits, 1, false, "a value was outside its limits (--limits)"},
    {stoppedBy(SIGINT), 0, false, "ended by SIGINT (Ctrl+C) after the cycle under way"},
    {stoppedBy(SIGTERM), 0, false, "ended by SIGTERM after the cycle under way"},
};

// --report's, for --help.
inline constexpr char ReportStatuses[] =
    "--report ends with 0 when the report is written, 1 when there is nothing to\n"
    "report (no cycle, or no run that matches), 2 for a source that cannot be\n"
    "read, a missing plotting library or an output that cannot be created, and 6\n"
    "when the store could not be read or the report could not be written.\n";

constexpr int seriousness(int status) {
    for (const Meaning& m : Meanings) {
        if (m.status == status) {
            return m.seriousness;
        }
    }
    return 0;
}
} // namespace exitstatus
