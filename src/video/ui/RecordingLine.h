#pragma once
// The line at the top right of a call's picture that tells how its recording
// fares: why it does not record while it fails, and that it records again,
// with the pictures lost meanwhile, once it goes on by itself. It hides
// nothing of the visitor's face and asks for nothing; a call whose
// recording never failed shows none.

#include <QLabel>
#include <QPointer>

#include <string>

namespace oculon::video::ui {

class RecordingLine : public QLabel {
    Q_OBJECT

public:
    explicit RecordingLine(QWidget& view);

    // Over the top right of `picture` (a control in the view), following
    // its place and size.
    void follow(QWidget* picture);
    // `text` (plain); `failing` while the recording does not write. An empty
    // text hides the line.
    void tell(const std::string& text, bool failing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<QWidget> picture_;
};

}  // namespace oculon::video::ui
