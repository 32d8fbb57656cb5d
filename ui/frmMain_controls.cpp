// SPDX-License-Identifier: MIT
// frmMain, continued: what the operator drives directly: one reading,
// polling every few seconds and the hidden service commands.
#include "cycle/Acquisition.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

void frmMain::connectOperatorControls() {
    connect(cmdSingle, &QPushButton::clicked, this, [this] { cmdSingle_Click(); });
    connect(cmdContinuous, &QPushButton::clicked, this, [this] { cmdContinuous_Click(); });
    connect(&tmrContinuous, &QTimer::timeout, this, [this] { tmrContinuous_Timer(); });
    connect(imgQuillon, &Image::clicked, this, &frmMain::imgQuillon_Click);
    connect(cmdDevReset, &QPushButton::clicked, this, [this] { cmdDevReset_Click(); });
    connect(cmdDataReset, &QPushButton::clicked, this, [this] { cmdDataReset_Click(); });
}

void frmMain::cmdSingle_Click() {
    GetDataFromDevice();
}

void frmMain::cmdContinuous_Click() {
    // The caption is the polling state: anything but "Continuous" is polling.
    if (cmdContinuous->text() == QLatin1String("Continuous")) {
        cmdContinuous->setText(QStringLiteral("Stop"));
        cmdDevReset->setEnabled(false);
        cmdDataReset->setEnabled(false);
        cmdSingle->setEnabled(false);
        GetDataFromDevice();
        // Armed only now, so the first tick is a whole period after this
        // reading ended rather than after the click.
        tmrContinuous.setInterval(PollingPeriod);
        tmrContinuous.start();
    } else {
        cmdContinuous->setText(QStringLiteral("Continuous"));
        tmrContinuous.stop();
        cmdDevReset->setEnabled(true);
        cmdDataReset->setEnabled(true);
        cmdSingle->setEnabled(true);
    }
}

void frmMain::tmrContinuous_Timer() {
    GetDataFromDevice();
}

void frmMain::imgQuillon_Click(Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        ServiceMode = !ServiceMode;
    }
    cmdDevReset->setVisible(ServiceMode);
    cmdDataReset->setVisible(ServiceMode);
}

void frmMain::cmdDevReset_Click() {
    sendServiceCommand(protocol::MasterReset);
}

void frmMain::cmdDataReset_Click() {
    sendServiceCommand(protocol::DataReset);
}

void frmMain::sendServiceCommand(std::uint8_t command) {
    // No answer is awaited and nothing is redrawn: whether the receiver is
    // still there is for the next reading to find out.
    if (cycle::ensureConnected(hid_)) {
        hid_.SendCommand(command);
    }
}
