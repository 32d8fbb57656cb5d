// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QLabel;
class QWidget;
class frmMain;

// Explains the control under the pointer in the window's status bar: every
// movement over an explained control writes its line into lblStatusMsg, and
// movement over the bare window background empties it. Movement over any
// other control belongs to that control and leaves the line alone.
class StatusHelp : public QObject {
    Q_OBJECT

public:
    // Watches the window and its explained controls; the window owns it.
    explicit StatusHelp(frmMain& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void explain(QWidget* control, const QString& text);

    QLabel* message_ = nullptr;
    QHash<const QObject*, QString> texts_;
};
