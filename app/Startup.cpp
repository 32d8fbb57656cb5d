#include "app/Startup.h"

QString windowCaption(int major, int minor, int revision) {
    return QStringLiteral("Tyrescope - %1.%2%3").arg(major).arg(minor).arg(revision);
}
