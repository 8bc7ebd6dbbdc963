#include "video/ui/CallView.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace oculon::video::ui {

CallView::CallView(QWidget* parent, Qt::WindowFlags flags, bool withWatchdog, CodePadding padding,
                   const char* inputImageName)
    : QWidget(parent, flags),
      moxaPanel(this, inputImageName),
      session_(*this, withWatchdog, padding),
      target_([this](platform::Message& m) { handleMessage(m); }) {}

CallView::~CallView() { session_.stop(); }

void CallView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && setupOfCall_) showTexts(setupOfCall_());
    QWidget::changeEvent(event);
}

void CallView::postForCall(std::uint32_t id) const {
    platform::MainLoop::instance().post(target_.id(), id, callId_.load());
}

bool CallView::forThisCall(const platform::Message& message) const {
    return session_.running() && (message.wParam == 0 || message.wParam == callId_.load());
}

namespace {

// True when `modal` belongs to `top`: a prompt of that window, directly or
// through a chain of prompts.
bool promptOf(const QWidget& modal, const QWidget& top) {
    for (const QWidget* w = &modal; w != nullptr; w = w->parentWidget()) {
        if (w->window() == &top) return true;
    }
    for (const QWindow* w = modal.windowHandle(); w != nullptr; w = w->transientParent()) {
        if (w == top.windowHandle()) return true;
    }
    return false;
}

// The modal window that holds up every other window: one modal to its own
// window alone (another call's prompt) holds up no call.
QWidget* applicationModalWidget() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->windowModality() == Qt::ApplicationModal) return modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isModal() && w->windowModality() == Qt::ApplicationModal) return w;
    return nullptr;
}

}  // namespace

void CallView::answerAboveModalWindows() {
    QWidget& top = *window();
    QWidget* modal = applicationModalWidget();
    if (modal != nullptr && promptOf(*modal, top)) return;
    top.winId();  // the exemption lives on the native window
    if (QWindow* handle = top.windowHandle()) handle->setTransientParent(modal ? modal->windowHandle() : nullptr);
}

void CallView::cameraBack(QLabel& faultLabel, QWidget& picture, QPushButton& saveButton) {
    if (faultLabel.isHidden()) return;
    faultLabel.hide();
    picture.show();
    saveButton.setVisible(session_.setup().saverVisible);
    moxaPanel.setVisible(session_.setup().door.panelVisible);
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
