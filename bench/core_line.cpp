// SPDX-License-Identifier: MIT
// What a run without a window is compared with: the least a Qt Core program
// does to start, print one line and end.
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::puts("A bare Qt Core program");
    return 0;
}
