#pragma once
// The window that tells the user why door calls may not reach this
// workstation: another program holds listening ports of ours, or the device
// search reaches no network. It comes up without taking the keyboard and
// holds nothing up (no modality, no loop of its own), so a call comes up in
// front of it and is answered as ever; it follows the ports as they come
// free and the network as it comes back, and goes once all is well
// (HeldPorts decides when it comes).

#include <QMessageBox>
#include <QPointer>

#include "app/HeldPorts.h"

namespace oculon::app::ui {

class PortNotice {
public:
    PortNotice() = default;
    ~PortNotice() { close(); }
    PortNotice(const PortNotice&) = delete;
    PortNotice& operator=(const PortNotice&) = delete;

    // As HeldPorts::Tell.
    void tell(const HeldPorts::State& now, bool lost);
    // The language changed: the open notice follows.
    void retranslate();
    void close();
    // The open notice, or null.
    QMessageBox* box() const { return box_.data(); }

private:
    QString text() const;

    QPointer<QMessageBox> box_;
    HeldPorts::State state_;
};

}  // namespace oculon::app::ui
