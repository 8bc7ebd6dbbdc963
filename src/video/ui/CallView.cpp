#include "video/ui/CallView.h"

namespace oculon::video::ui {

CallView::CallView(QWidget* parent, Qt::WindowFlags flags, bool withWatchdog, CodePadding padding,
                   const char* inputImageName)
    : QWidget(parent, flags),
      moxaPanel(this, inputImageName),
      session_(*this, withWatchdog, padding),
      target_([this](platform::Message& m) { handleMessage(m); }) {}

CallView::~CallView() { session_.stop(); }

void CallView::postForCall(std::uint32_t id) const {
    platform::MainLoop::instance().post(target_.id(), id, callId_.load());
}

bool CallView::forThisCall(const platform::Message& message) const {
    return session_.running() && (message.wParam == 0 || message.wParam == callId_.load());
}

void CallView::connectButtons(QPushButton& saveButton) {
    connect(&saveButton, &QPushButton::clicked, this, [this] { session_.saverClick(); });
    connect(&moxaPanel.lichtBtn, &QPushButton::clicked, this, [this] { session_.lichtBtnClick(); });
    connect(&moxaPanel.tuerOeffner, &QPushButton::clicked, this, [this] {
        session_.sendFunction = sendFunction;
        session_.sendFunctionLindavor = sendFunctionLindavor;
        session_.tuerOeffnerClick();
    });
}

}  // namespace oculon::video::ui
