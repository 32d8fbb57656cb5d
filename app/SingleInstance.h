#pragma once

#include <QLockFile>
#include <QString>

// Lets only one copy of the program run per user. The lock names the
// process that holds it, so a lock left by a copy that crashed is taken over
// by the next start instead of blocking it.
class SingleInstance {
public:
    // The lock file lives in the user's runtime folder when there is one.
    SingleInstance();
    explicit SingleInstance(const QString& lockPath);

    enum class Result {
        Acquired,       // this is the only running copy
        AlreadyRunning, // another copy holds the lock
        Unavailable,    // the lock could not be taken for another reason
    };
    Result acquire();

private:
    QLockFile lock_;
};
