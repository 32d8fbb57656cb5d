// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

// "tyrescope.hid": why the receiver is off line. Silent unless enabled, for
// example with QT_LOGGING_RULES="tyrescope.*=true". Defined here, in the
// header, so that the transport itself keeps needing nothing but the standard
// library; whoever logs through it brings Qt Core.
namespace hid {

inline const QLoggingCategory& lcHid() {
    static const QLoggingCategory category("tyrescope.hid", QtWarningMsg);
    return category;
}

} // namespace hid
