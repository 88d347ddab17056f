#pragma once
// The automatic update check of the desktop program: the 13165 ms timer that the start-up
// decision starts, the request on its worker thread, and the answer handled back on this
// object's thread. The frame only provides the user interface for the answer.
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "update/UpdateChecker.h"
#include "update/UpdateReply.h"

namespace tarnel {

class UpdateController : public QObject {
public:
    using Clock = std::function<int64_t()>;  // seconds since 1970

    // `ui` must outlive the controller. `host` and `path` default to the configured server and
    // this build's version.
    explicit UpdateController(UpdateUserInterface& ui, Clock clock = {}, QObject* parent = nullptr);
    // Waits at most half a second for a running request, then abandons it.
    ~UpdateController() override;

    // Starts the timer; each tick tries the check until an answer has been handled.
    void Schedule();
    bool scheduled() const { return timer_.isActive(); }

    // One tick of the timer: nothing without a network connection or while a request is out.
    void OnTimer();

    // Where the request goes (tests point it at a local server).
    void SetServer(std::string host, std::string path);

    // Called after each handled answer, for the frame and for tests.
    std::function<void(UpdateOutcome)> onHandled;

private:
    void OnResult(const std::string& reply);

    UpdateUserInterface& ui_;
    Clock clock_;
    std::string host_;
    std::string path_;
    QTimer timer_;
    // Last member: destroyed first, so its worker has finished before the rest goes.
    std::unique_ptr<UpdateChecker> checker_;
};

}  // namespace tarnel
