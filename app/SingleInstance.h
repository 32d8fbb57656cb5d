// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QObject;

// Lets only one copy of the program run per user. The lock is the kernel's
// (flock on an open file; on Windows, the file held open without sharing), so
// it goes with the process that holds it however that process ends, and
// whatever a leftover lock file contains. It lives in a folder that only this
// user can write, so no one else can plant or hold it.
class SingleInstance {
public:
    // The lock file in the user's private folder: XDG_RUNTIME_DIR when it is
    // this user's own, writable by this user and by no one else, else a 0700
    // "tyrescope" folder in the user's cache folder. On Windows, whose user
    // folders are private by their access rules, XDG_RUNTIME_DIR when it names
    // a folder, else "tyrescope" in the local application data's cache folder.
    SingleInstance();
    // The lock file at this path; the folder is taken as private.
    explicit SingleInstance(const QString& lockPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Result {
        Acquired,       // this is the only running copy
        AlreadyRunning, // another copy holds the lock
        Unavailable,    // the lock could not be taken for another reason
    };
    Result acquire();
    // Why acquire() answered Unavailable, or why raiseWindowOnRequest() or
    // notifyRunningCopy() failed, for the one line that says so.
    const QString& errorString() const { return error_; }
    // Where the lock is; empty when the user has no private folder for it.
    const QString& lockPath() const { return lockPath_; }

    // For the copy that holds the lock and shows a window: a later copy's
    // notifyRunningCopy() brings its visible windows to the front and
    // activates them. Requests are served by the event loop. False when no
    // socket (on Windows, event) could be made for them.
    bool raiseWindowOnRequest();
    // For a copy that found another one running: asks that copy to bring its
    // window forward, waiting up to 3 s for a copy that is still starting or
    // too busy to take the request. False when it could not be reached.
    bool notifyRunningCopy();

private:
    QString lockPath_;
    // Where later copies ask: a socket beside the lock, or on Windows an
    // event named after it.
    QString requestAddress_;
    QString error_;
    std::intptr_t lock_ = -1;     // a descriptor, or a HANDLE on Windows
    std::intptr_t listener_ = -1; // the same
    std::unique_ptr<QObject> notifier_;
};
