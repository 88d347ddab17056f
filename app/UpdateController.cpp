#include "app/UpdateController.h"

#include <QMetaObject>

#include <ctime>

#include "settings/SettingsStore.h"
#include "settings/StartupPass.h"
#include "update/InternetState.h"
#include "update/UpdateServer.h"

namespace tarnel {

UpdateController::UpdateController(UpdateUserInterface& ui, Clock clock, QObject* parent)
    : QObject(parent),
      ui_(ui),
      clock_(clock ? std::move(clock) : Clock([] { return int64_t(std::time(nullptr)); })),
      host_(UpdateHost()),
      path_(UpdateRequestPath(ProductVersionText())) {
    timer_.setInterval(kUpdateCheckDelayMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
    // The reply crosses from the worker to this object's thread as a queued call.
    checker_ = std::make_unique<UpdateChecker>([this](std::string reply) {
        QMetaObject::invokeMethod(
            this, [this, reply = std::move(reply)] { OnResult(reply); }, Qt::QueuedConnection);
    });
}

UpdateController::~UpdateController() {
    checker_.reset();
}

void UpdateController::Schedule() {
    timer_.start();
}

void UpdateController::SetServer(std::string host, std::string path) {
    host_ = std::move(host);
    path_ = std::move(path);
}

void UpdateController::OnTimer() {
    if (!IsInternetConnected()) return;  // tried again at the next tick
    // Refused while a request or its unhandled answer is outstanding.
    (void)checker_->Start(host_, path_);
}

void UpdateController::OnResult(const std::string& reply) {
    timer_.stop();
    checker_->ResultHandled();
    const UpdateOutcome outcome = HandleUpdateReply(reply, ui_);
    if (StoresLastChecked(outcome)) {
        // Settings writes are fire and forget: a failure shows nothing and changes nothing.
        (void)SettingsStore().WriteLastChecked(static_cast<uint32_t>(clock_()));
    }
    if (onHandled) onHandled(outcome);
}

}  // namespace tarnel
