#include "app/UpdateController.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <optional>

#include "settings/SettingsStore.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

using test::HttpTestServer;

class RecordingUi : public UpdateUserInterface {
public:
    bool answerOk = true;
    std::vector<std::string> asked, opened, errors;
    bool AskOkCancel(const std::string& text) override {
        asked.push_back(text);
        return answerOk;
    }
    bool OpenUrl(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
};

class UpdateControllerTest : public test::IsolatedTest {
protected:
    static constexpr int64_t kNow = 1'800'000'000;

    // Runs the event loop until the controller has handled an answer, or ten seconds pass.
    std::optional<UpdateOutcome> WaitForAnswer(UpdateController& controller) {
        std::optional<UpdateOutcome> outcome;
        QEventLoop loop;
        controller.onHandled = [&](UpdateOutcome o) {
            outcome = o;
            loop.quit();
        };
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return outcome;
    }

    std::optional<uint32_t> LastChecked() {
        uint32_t value = 0;
        if (!SettingsStore().ReadLastChecked(value)) return std::nullopt;
        return value;
    }
};

TEST_F(UpdateControllerTest, OfferedUpdateIsOpenedAndTheCheckRecorded) {
    HttpTestServer server("  <RESP>HTTP://Example.org/New</RESP>\n");
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    RecordingUi ui;
    UpdateController controller(ui, [] { return kNow; });
    controller.Schedule();
    ASSERT_TRUE(controller.scheduled());
    controller.OnTimer();
    EXPECT_EQ(WaitForAnswer(controller), UpdateOutcome::Opened);
    EXPECT_FALSE(controller.scheduled());
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.opened, std::vector<std::string>{"http://example.org/new"});
    EXPECT_EQ(LastChecked(), uint32_t(kNow));
    auto requests = server.WaitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].head.find("POST /cgi-bin/qz_vemora_upcln.pyg?ver="), std::string::npos);
}

TEST_F(UpdateControllerTest, NoUpdateLeavesLastCheckedAlone) {
    HttpTestServer server("<resp></resp>");
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    ASSERT_TRUE(SettingsStore().WriteLastChecked(1000));
    RecordingUi ui;
    UpdateController controller(ui, [] { return kNow; });
    controller.Schedule();
    controller.OnTimer();
    EXPECT_EQ(WaitForAnswer(controller), UpdateOutcome::NoUpdate);
    EXPECT_FALSE(controller.scheduled());
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(LastChecked(), 1000u);
}

TEST_F(UpdateControllerTest, FailedRequestIsSilentAndStopsTheTimer) {
    setEnv("TARNEL_UPDATE_HOST", "127.0.0.1:" + std::to_string(test::ClosedPort()));
    RecordingUi ui;
    UpdateController controller(ui, [] { return kNow; });
    controller.Schedule();
    controller.OnTimer();
    EXPECT_EQ(WaitForAnswer(controller), UpdateOutcome::Ignored);
    EXPECT_FALSE(controller.scheduled());
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(LastChecked(), std::nullopt);
}

TEST_F(UpdateControllerTest, TicksWhileARequestIsOutSendNoSecondRequest) {
    HttpTestServer server("<resp></resp>", 2, /*holdReply=*/true);
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    RecordingUi ui;
    UpdateController controller(ui, [] { return kNow; });
    controller.OnTimer();
    ASSERT_EQ(server.WaitForRequests(1).size(), 1u);
    controller.OnTimer();
    controller.OnTimer();
    server.Release();
    EXPECT_EQ(WaitForAnswer(controller), UpdateOutcome::NoUpdate);
    // The server would have taken a second request; none came.
    EXPECT_EQ(server.WaitForRequests(1).size(), 1u);
}

TEST_F(UpdateControllerTest, ClosingDuringAHangingRequestReturns) {
    HttpTestServer server("late", 1, /*holdReply=*/true);
    setEnv("TARNEL_UPDATE_HOST", server.hostPort());
    RecordingUi ui;
    {
        UpdateController controller(ui, [] { return kNow; });
        controller.OnTimer();
        ASSERT_EQ(server.WaitForRequests(1).size(), 1u);
    }
    QCoreApplication::processEvents();  // a late queued answer must find nothing to call
    EXPECT_TRUE(ui.asked.empty());
}

}  // namespace
}  // namespace tarnel
