// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <utility>
#include <vector>

namespace record {

// A JSON value whose objects keep their keys in the order they were added
// (Qt's own objects sort them), written for people to read: a container that
// holds no container of containers stands on one line when it fits, others
// have one member per line.
class Json {
public:
    // Implicit, as QJsonValue's, so that members are written as literals.
    Json() = default; // null
    Json(const QJsonValue& value);
    Json(const QString& text) : scalar_(text) {}
    Json(const char* text) : scalar_(QString::fromUtf8(text)) {}
    Json(double number) : scalar_(number) {}
    Json(int number) : scalar_(number) {}
    Json(bool value) : scalar_(value) {}

    static Json object() { return Json(Kind::Object); }
    static Json array() { return Json(Kind::Array); }

    // Members of an object, items of an array.
    Json& add(const QString& key, Json value);
    Json& append(Json value);

    // With a line feed at the end.
    QByteArray text() const;

private:
    enum class Kind { Scalar, Object, Array };
    explicit Json(Kind kind) : kind_(kind) {}
    void write(QByteArray& out, int depth) const;
    // 0 for a scalar, 1 for a container of scalars, and so on.
    int height() const;
    QByteArray oneLine() const;

    Kind kind_ = Kind::Scalar;
    QJsonValue scalar_;
    std::vector<std::pair<QString, Json>> members_; // an array's keys are empty
};

// A text, or null when it is empty.
Json textOrNull(const QString& text);

} // namespace record
