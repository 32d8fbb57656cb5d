#pragma once

#include <QString>

// The window caption: "Tyrescope - " + major + "." + minor + revision, with
// no separator before the revision, so version 1.3.0 reads "Tyrescope - 1.30".
QString windowCaption(int major, int minor, int revision);
