// SPDX-License-Identifier: MIT
// Redraws the pictures and the program icon of the Tyrescope window.
//
//   make_assets DIR     writes every picture below DIR (normally assets/)

#include "tools/Artwork.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Drawing needs no screen; the offscreen platform works everywhere.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: make_assets DIR\n");
        return 2;
    }

    // A substitute face would change every text pixel of the committed pictures.
    const QFontInfo font{QFont(QString::fromLatin1(artwork::FontFamily))};
    if (font.family() != QLatin1String(artwork::FontFamily)) {
        std::fprintf(stderr, "make_assets: font \"%s\" is not installed (found \"%s\")\n",
                     artwork::FontFamily, qPrintable(font.family()));
        return 1;
    }

    const QStringList failures = artwork::writeAll(args.at(1));
    for (const QString& failure : failures) {
        std::fprintf(stderr, "make_assets: %s\n", qPrintable(failure));
    }
    return failures.isEmpty() ? 0 : 1;
}
