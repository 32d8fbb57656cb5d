// SPDX-License-Identifier: MIT
#include "app/Modules.h"

#ifdef TYRESCOPE_MODULE_DIR
#include <cerrno>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

// A module looks up symbols in itself and its libraries first (RTLD_DEEPBIND),
// which spares the loader searching the program's libraries for every symbol
// the module's libraries need; the sanitizers cannot have that.
void* moduleEntry(const char* file, const char* entry, QString& why) {
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        why = QStringLiteral("cannot find the program's own file: /proc/self/exe: %1")
                  .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    std::string path(self, static_cast<std::size_t>(length));
    path = path.substr(0, path.rfind('/') + 1) + TYRESCOPE_MODULE_DIR + '/' + file;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
    constexpr int flags = RTLD_NOW | RTLD_LOCAL;
#else
    constexpr int flags = RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND;
#endif
    void* module = ::dlopen(path.c_str(), flags);
    void* found = module != nullptr ? ::dlsym(module, entry) : nullptr;
    if (found == nullptr) {
        why = QString::fromLocal8Bit(::dlerror());
    }
    return found;
}
#endif

#ifdef TYRESCOPE_RESULTS_STORE
const store::Calls* storeCalls(QString& why) {
#ifdef TYRESCOPE_MODULE_DIR
    const auto entry = reinterpret_cast<decltype(&tyrescope_store)>(
        moduleEntry("tyrescope-store.so", "tyrescope_store", why));
    if (entry == nullptr) {
        why = QStringLiteral("cannot load the results store: %1; reinstalling the tyrescope "
                             "package puts it back")
                  .arg(why);
        return nullptr;
    }
    return entry();
#else
    return tyrescope_store();
#endif
}
#endif
