// SPDX-License-Identifier: MIT
#include "record/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace record {

namespace {

// Qt writes scalars with JSON's escapes and the shortest exact numbers.
QByteArray scalarText(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

Json::Json(const QJsonValue& value) {
    if (value.isObject()) {
        kind_ = Kind::Object;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            add(it.key(), Json(it.value()));
        }
    } else if (value.isArray()) {
        kind_ = Kind::Array;
        for (const QJsonValue& item : value.toArray()) {
            append(Json(item));
        }
    } else {
        scalar_ = value.isUndefined() ? QJsonValue() : value;
    }
}

Json& Json::add(const QString& key, Json value) {
    members_.emplace_back(key, std::move(value));
    return *this;
}

Json& Json::append(Json value) {
    return add(QString(), std::move(value));
}

QByteArray Json::text() const {
    QByteArray out;
    write(out, 0);
    return out + '\n';
}

int Json::height() const {
    int height = 0;
    for (const auto& member : members_) {
        height = std::max(height, member.second.height());
    }
    return kind_ == Kind::Scalar ? 0 : height + 1;
}

QByteArray Json::oneLine() const {
    if (kind_ == Kind::Scalar) {
        return scalarText(scalar_);
    }
    const bool object = kind_ == Kind::Object;
    QByteArray out(1, object ? '{' : '[');
    for (std::size_t i = 0; i < members_.size(); ++i) {
        out += i == 0 ? "" : ", ";
        out += object ? scalarText(members_[i].first) + ": " : QByteArray();
        out += members_[i].second.oneLine();
    }
    return out + (object ? '}' : ']');
}

void Json::write(QByteArray& out, int depth) const {
    // A value of a few numbers and texts reads best on one line.
    constexpr qsizetype LineWidth = 200;
    if (height() <= 2) {
        const QByteArray line = oneLine();
        const qsizetype lineStart = out.lastIndexOf('\n') + 1;
        if (out.size() - lineStart + line.size() <= LineWidth) {
            out += line;
            return;
        }
    }
    const bool object = kind_ == Kind::Object;
    const QByteArray indent(2 * (depth + 1), ' ');
    out += object ? "{\n" : "[\n";
    for (std::size_t i = 0; i < members_.size(); ++i) {
        out += indent;
        if (object) {
            out += scalarText(members_[i].first) + ": ";
        }
        members_[i].second.write(out, depth + 1);
        out += i + 1 < members_.size() ? ",\n" : "\n";
    }
    out += QByteArray(2 * depth, ' ') + (object ? '}' : ']');
}

Json textOrNull(const QString& text) {
    return text.isEmpty() ? Json() : Json(text);
}

} // namespace record
