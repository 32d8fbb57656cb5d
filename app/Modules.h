// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#ifdef TYRESCOPE_RESULTS_STORE
#include "store/Calls.h"
#endif

#ifdef TYRESCOPE_MODULE_DIR
// Parts of the program it loads only when a run needs them: the window, so
// that the modes without one never load the GUI libraries, and the results
// store, so that only a run with a store loads Qt SQL. The symbol entry of
// the module file (tyrescope-window.so, ...) in the folder the package
// installs them to, found from the program's own place; null, with why, when
// the module cannot be loaded.
void* moduleEntry(const char* file, const char* entry, QString& why);
#endif

#ifdef TYRESCOPE_RESULTS_STORE
// What the program may ask of a results store; null, with why, when the
// store's module cannot be loaded.
const store::Calls* storeCalls(QString& why);
#endif
