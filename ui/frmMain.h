#pragma once

#include <QWidget>

// The one window of the program.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
};
