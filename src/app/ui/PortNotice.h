#pragma once
// The window that tells the user that another program holds listening ports
// of ours, so door calls do not reach this workstation. It comes up without
// taking the keyboard and holds nothing up (no modality, no loop of its
// own), so a call comes up in front of it and is answered as ever; it
// follows the ports as they come free and goes once all are (HeldPorts
// decides when it comes).

#include <QMessageBox>
#include <QPointer>

#include <cstdint>
#include <vector>

namespace oculon::app::ui {

class PortNotice {
public:
    PortNotice() = default;
    ~PortNotice() { close(); }
    PortNotice(const PortNotice&) = delete;
    PortNotice& operator=(const PortNotice&) = delete;

    // As HeldPorts::Tell.
    void tell(const std::vector<std::uint16_t>& held, bool lost);
    // The language changed: the open notice follows.
    void retranslate();
    void close();
    // The open notice, or null.
    QMessageBox* box() const { return box_.data(); }

private:
    QString text() const;

    QPointer<QMessageBox> box_;
    std::vector<std::uint16_t> held_;
};

}  // namespace oculon::app::ui
