// SPDX-License-Identifier: MIT
#include "store/Target.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace store {

QString Target::name() const {
    if (kind == Kind::Sqlite) {
        return path;
    }
    // By hand: QUrl drops the "//" before an empty host, which libpq needs.
    const auto encoded = [](const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    return QStringLiteral("postgresql://") +
           (user.isEmpty() ? QString() : encoded(user) + QLatin1Char('@')) +
           (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           (port < 0 ? QString() : QLatin1Char(':') + QString::number(port)) + QLatin1Char('/') +
           encoded(database);
}

std::optional<Target> parseTarget(const QString& text, QString& error) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    const QRegularExpressionMatch match = scheme.match(text);
    Target target;
    if (!match.hasMatch()) {
        target.path = QFileInfo(text).absoluteFilePath();
        return target;
    }
    const QString schemeName = match.captured(1).toLower();
    if (schemeName != QLatin1String("postgresql") && schemeName != QLatin1String("postgres")) {
        error = QStringLiteral("unknown scheme '%1': give a file path (SQLite) or a "
                               "postgresql://user@host:port/dbname address")
                    .arg(schemeName);
        return std::nullopt;
    }
    // Looked for in the text itself: "user:@host" carries an empty one, and
    // QUrl would take a password apart without a word.
    const QString authority = text.mid(match.capturedLength()).section(QLatin1Char('/'), 0, 0);
    const qsizetype colon = authority.indexOf(QLatin1Char(':'));
    if (colon >= 0 && colon < authority.lastIndexOf(QLatin1Char('@'))) {
        error = QStringLiteral("the address holds a password; give it in PGPASSWORD or "
                               "~/.pgpass instead");
        return std::nullopt;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        error = QStringLiteral("not an address of the form postgresql://user@host:port/dbname");
        return std::nullopt;
    }
    if (url.hasQuery() || url.hasFragment()) {
        error = QStringLiteral("the address takes nothing after the database name: set "
                               "PGSSLMODE and the like in the environment");
        return std::nullopt;
    }
    target.kind = Target::Kind::Postgresql;
    target.user = url.userName(QUrl::FullyDecoded);
    target.host = url.host(QUrl::FullyDecoded);
    target.port = url.port();
    target.database = url.path(QUrl::FullyDecoded).mid(1);
    if (target.port == 0 || authority.endsWith(QLatin1Char(':'))) {
        error = QStringLiteral("the port is not a number from 1 to 65535");
        return std::nullopt;
    }
    if (target.database.isEmpty() || target.database.contains(QLatin1Char('/'))) {
        error = QStringLiteral("the address names no database: "
                               "postgresql://user@host:port/dbname");
        return std::nullopt;
    }
    return target;
}

} // namespace store
