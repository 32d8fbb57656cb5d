// SPDX-License-Identifier: MIT
#include "app/ListDevices.h"

#include "app/ExitStatus.h"
#include "app/InstallNames.h"
#include "cycle/TerminalText.h"
#include "hid/ReceiverChoice.h"
#include "protocol/ReceiverProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// hidapi passes strerror() text through; the emulated backend says the same.
bool isPermissionProblem(const std::string& error) {
    std::string lower(error);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("permission denied") != std::string::npos ||
           lower.find("operation not permitted") != std::string::npos;
}

// One interface as examined: only receivers are opened, the other devices
// are none of our business, and their lengths come from the descriptor anyway.
struct Examined {
    std::string original;    // the path as the platform gives it
    hid::InterfaceInfo info; // device texts already made printable
    bool receiver = false;
    bool opened = false;
    bool inUse = false;
    std::string error; // why a receiver cannot be opened
    std::optional<hid::ReportLengths> lengths;
};

std::vector<Examined> examine(hid::Backend& backend, const hid::ReceiverChoice& choice,
                              const std::vector<hid::InterfaceInfo>& interfaces) {
    std::vector<Examined> examined;
    for (const hid::InterfaceInfo& info : interfaces) {
        if (!choice.matches(info)) {
            continue;
        }
        Examined e;
        e.original = info.path;
        e.info = info;
        for (std::string* text : {&e.info.path, &e.info.serial, &e.info.manufacturer,
                                  &e.info.product, &e.info.lengthsUnknownWhy}) {
            *text = printableText(*text);
        }
        e.receiver = protocol::isReceiver(info.vendorId, info.productId);
        e.lengths = info.reportLengths;
        if (e.receiver) {
            hid::Backend::OpenResult opened = backend.open(info.path);
            e.opened = opened.device != nullptr;
            e.inUse = opened.inUse;
            if (e.opened && opened.device->reportLengths() != hid::ReportLengths{}) {
                e.lengths = opened.device->reportLengths();
            } else if (!e.opened) {
                e.error = opened.error.empty() ? "unknown error" : printableText(opened.error);
            }
        }
        examined.push_back(std::move(e));
    }
    return examined;
}

void describe(const Examined& e, std::ostream& listing) {
    const hid::InterfaceInfo& info = e.info;
    listing << (e.receiver ? "* " : "  ") << info.path << "  " << hex4(info.vendorId) << ':'
            << hex4(info.productId) << "  usage " << hex4(info.usagePage) << ':' << hex4(info.usage)
            << "  \"" << info.product << "\"  ";
    if (!info.serial.empty()) {
        listing << "serial \"" << info.serial << "\"  ";
    }
    if (e.lengths) {
        listing << "input " << e.lengths->input << ", output " << e.lengths->output << " bytes";
    } else {
        listing << "report lengths unknown";
        if (!info.lengthsUnknownWhy.empty()) {
            listing << " (" << info.lengthsUnknownWhy << ')';
        }
    }
    if (e.receiver) {
        listing << "  <- receiver"
                << (e.opened  ? ""
                    : e.inUse ? ", in use by another copy of Tyrescope"
                              : ", cannot be opened");
    }
    listing << '\n';
}

std::string choiceText(const hid::ReceiverChoice& choice) {
    std::string text;
    if (!choice.path.empty()) {
        text += "--device " + printableText(choice.path);
    }
    if (!choice.serial.empty()) {
        text += (text.empty() ? "" : " ") + std::string("--serial ") + printableText(choice.serial);
    }
    return text;
}

// No receiver matches the choice: the receivers there are, to choose from.
void listReceivers(const std::vector<hid::InterfaceInfo>& interfaces, std::ostream& out) {
    bool any = false;
    for (const hid::InterfaceInfo& info : interfaces) {
        if (protocol::isReceiver(info.vendorId, info.productId)) {
            out << (any ? "" : "Receivers present:\n") << "  " << printableText(info.path)
                << (info.serial.empty() ? "" : "  serial " + printableText(info.serial)) << '\n';
            any = true;
        }
    }
    if (!any) {
        out << "No receiver is present.\n";
    }
}

// Every receiver present failed to open: why, and what to do about it.
void adviseOnOpening(const std::vector<Examined>& receivers, std::ostream& out) {
    bool permission = false;
    bool otherwise = false;
    for (const Examined& r : receivers) {
        if (r.inUse) {
            out << "The receiver at " << r.info.path
                << " is in use by another copy of Tyrescope; it is free again when that copy "
                   "ends.\n";
            continue;
        }
        out << "The receiver at " << r.info.path << " is present but cannot be opened: " << r.error
            << '\n';
        permission = permission || isPermissionProblem(r.error);
        otherwise = true;
    }
    if (permission) {
        out << "This user may not open it. Install the udev rule " << TyrescopeUdevRule
            << "\n(the tyrescope package installs it in /usr/lib/udev/rules.d),\n"
               "then unplug the receiver and plug it in again.\n"
               "The rule gives access to the user of the local, active session only,\n"
               "not to a remote (SSH) login.\n";
    } else if (otherwise) {
        out << "Unplug the receiver and plug it in again; if it still cannot be opened, see\n"
               "what the kernel says about it (dmesg).\n";
    }
}

// The verdict on the receiver, with its reason and fix.
int judge(const std::vector<hid::InterfaceInfo>& interfaces, const std::vector<Examined>& examined,
          const hid::ReceiverChoice& choice, std::ostream& out) {
    if (interfaces.empty()) {
        out << "No HID interfaces are present, so no receiver either.\n"
               "Plug the receiver in; if it is plugged in, try another USB port or cable,\n"
               "and see whether the kernel noticed it (dmesg).\n";
        return exitstatus::NoReceiver;
    }
    const std::vector<hid::InterfaceInfo> chosen = hid::receiversFor(interfaces, choice);
    if (hid::isAmbiguous(choice, chosen)) {
        out << chosen.size() << " receivers have the serial number " << printableText(choice.serial)
            << ":\n";
        for (const hid::InterfaceInfo& info : chosen) {
            out << "  " << printableText(info.path) << '\n';
        }
        out << "Choose one of them with --device PATH.\n";
        return exitstatus::UsageError;
    }
    // The program takes the first of these that opens, and so does this.
    std::vector<Examined> receivers;
    for (const hid::InterfaceInfo& info : chosen) {
        const auto same = [&](const Examined& e) { return e.original == info.path; };
        receivers.push_back(*std::find_if(examined.begin(), examined.end(), same));
    }
    if (receivers.empty() && choice.any()) {
        out << "No receiver (" << hex4(protocol::VendorId) << ':' << hex4(protocol::ProductId)
            << ") is among them.\n"
            << "Plug the receiver in; if it is plugged in, try another USB port or cable.\n";
        return exitstatus::NoReceiver;
    }
    if (receivers.empty()) {
        out << "No receiver matches " << choiceText(choice) << ".\n";
        listReceivers(interfaces, out);
        return exitstatus::NoReceiver;
    }
    const auto usable = std::find_if(receivers.begin(), receivers.end(),
                                     [](const Examined& r) { return r.opened; });
    if (usable != receivers.end()) {
        out << "The receiver at " << usable->info.path
            << " can be opened: Tyrescope will use it.\n";
        return exitstatus::Passed;
    }
    adviseOnOpening(receivers, out);
    const bool inUse =
        std::any_of(receivers.begin(), receivers.end(), [](const Examined& r) { return r.inUse; });
    return inUse ? exitstatus::ReceiverInUse : exitstatus::NoReceiver;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The facts of one interface, numbers as numbers, for JSON and CSV alike;
// null where a fact is unknown or was not asked (a device that is not the
// receiver is not opened).
QJsonObject factsOf(const Examined& e) {
    const auto length = [&](std::size_t hid::ReportLengths::*field) {
        return e.lengths ? QJsonValue(static_cast<qint64>((*e.lengths).*field)) : QJsonValue();
    };
    return QJsonObject{
        {QStringLiteral("path"), text(e.info.path)},
        {QStringLiteral("vendor_id"), e.info.vendorId},
        {QStringLiteral("product_id"), e.info.productId},
        {QStringLiteral("serial"), text(e.info.serial)},
        {QStringLiteral("manufacturer"), text(e.info.manufacturer)},
        {QStringLiteral("product"), text(e.info.product)},
        {QStringLiteral("usage_page"), e.info.usagePage},
        {QStringLiteral("usage"), e.info.usage},
        {QStringLiteral("input_length"), length(&hid::ReportLengths::input)},
        {QStringLiteral("output_length"), length(&hid::ReportLengths::output)},
        {QStringLiteral("feature_length"), length(&hid::ReportLengths::feature)},
        {QStringLiteral("lengths_unknown_why"),
         e.lengths ? QJsonValue() : QJsonValue(text(e.info.lengthsUnknownWhy))},
        {QStringLiteral("receiver"), e.receiver},
        {QStringLiteral("openable"), e.receiver ? QJsonValue(e.opened) : QJsonValue()},
        {QStringLiteral("in_use"), e.inUse},
        {QStringLiteral("not_openable_why"), cycle::textOrNull(text(e.error))},
    };
}

const QStringList Columns{
    QStringLiteral("path"),           QStringLiteral("vendor_id"),
    QStringLiteral("product_id"),     QStringLiteral("serial"),
    QStringLiteral("manufacturer"),   QStringLiteral("product"),
    QStringLiteral("usage_page"),     QStringLiteral("usage"),
    QStringLiteral("input_length"),   QStringLiteral("output_length"),
    QStringLiteral("feature_length"), QStringLiteral("lengths_unknown_why"),
    QStringLiteral("receiver"),       QStringLiteral("openable"),
    QStringLiteral("in_use"),         QStringLiteral("not_openable_why"),
};

void writeJson(const std::vector<Examined>& examined, std::ostream& out) {
    QJsonArray interfaces;
    for (const Examined& e : examined) {
        interfaces.append(factsOf(e));
    }
    out << QJsonDocument(QJsonObject{{QStringLiteral("interfaces"), interfaces}})
               .toJson(QJsonDocument::Compact)
               .toStdString()
        << '\n';
}

void writeCsv(const std::vector<Examined>& examined, std::ostream& out) {
    out << cycle::csvLine(Columns).toStdString();
    for (const Examined& e : examined) {
        const QJsonObject facts = factsOf(e);
        QStringList fields;
        for (const QString& column : Columns) {
            const QJsonValue value = facts[column];
            fields << (value.isBool()     ? QString::fromLatin1(value.toBool() ? "true" : "false")
                       : value.isDouble() ? QString::number(value.toInteger())
                                          : value.toString());
        }
        out << cycle::csvLine(fields).toStdString();
    }
}

void writeText(const std::vector<hid::InterfaceInfo>& interfaces,
               const std::vector<Examined>& examined, std::ostream& out) {
    if (!interfaces.empty()) {
        out << "HID interfaces present: " << interfaces.size() << '\n';
        for (const Examined& e : examined) {
            describe(e, out);
        }
        out << '\n';
    }
}

} // namespace

int listDevices(hid::Backend& backend, std::ostream& out, const hid::ReceiverChoice& choice,
                cycle::OutputFormat format) {
    const std::vector<hid::InterfaceInfo> interfaces = backend.enumerate();
    const std::vector<Examined> examined = examine(backend, choice, interfaces);
    std::ostringstream verdict;
    switch (format) {
    case cycle::OutputFormat::Text:
        writeText(interfaces, examined, out);
        return judge(interfaces, examined, choice, out);
    case cycle::OutputFormat::Csv:
        writeCsv(examined, out);
        break;
    case cycle::OutputFormat::Json:
        writeJson(examined, out);
        break;
    }
    // Machine formats carry the facts; the verdict is the exit status.
    return judge(interfaces, examined, choice, verdict);
}

int explainMissingReceiver(hid::Backend& backend, std::ostream& out,
                           const hid::ReceiverChoice& choice) {
    const std::vector<hid::InterfaceInfo> interfaces = backend.enumerate();
    return judge(interfaces, examine(backend, choice, interfaces), choice, out);
}
