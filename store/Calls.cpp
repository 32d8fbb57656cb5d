// SPDX-License-Identifier: MIT
// The store module's entry: the table of what the program may ask of a
// results store.
#include "store/Calls.h"

#include "store/History.h"
#include "store/ResultStore.h"
#include "store/Spool.h"

#include <QtGlobal>

namespace {

store::Delivery deliver(const store::Target& target, const QByteArray& record) {
    store::Spool spool;
    return store::deliver(target, record, spool);
}

store::Sync sync(const store::Target& target) {
    store::Spool spool;
    return store::sync(target, spool);
}

QString history(const store::Target& target, const store::HistoryQuery& query,
                cycle::OutputFormat format, QByteArray& output) {
    store::ResultStore results(target);
    std::vector<store::RunSummary> runs;
    QString why = results.open(store::ResultStore::Access::Read);
    if (why.isEmpty()) {
        why = results.history(query, runs);
    }
    if (why.isEmpty()) {
        output = store::historyOutput(format, runs);
    }
    return why;
}

QString records(const store::Target& target, const store::HistoryQuery& query,
                QList<QByteArray>& records) {
    store::ResultStore results(target);
    QString why = results.open(store::ResultStore::Access::Read);
    return why.isEmpty() ? results.records(query, records) : why;
}

} // namespace

extern "C" Q_DECL_EXPORT const store::Calls* tyrescope_store() {
    static const store::Calls calls{deliver, sync, history, records};
    return &calls;
}
