#include "update/UpdateReply.h"

#include <gtest/gtest.h>

namespace tarnel {
namespace {

TEST(ParseUpdateReplyTest, AcceptsSpacesCaseAndLineBreaks) {
    UpdateReply r = ParseUpdateReply("   <RESP>HTTP://Example.org/Get.EXE</Resp>\r\n");
    EXPECT_EQ(r.kind, UpdateReply::Kind::Update);
    EXPECT_EQ(r.address, "http://example.org/get.exe");
}

TEST(ParseUpdateReplyTest, TagsOnlyMeansNoUpdate) {
    EXPECT_EQ(ParseUpdateReply("<resp></resp>").kind, UpdateReply::Kind::NoUpdate);
    EXPECT_EQ(ParseUpdateReply("\n<resp></resp>\n").kind, UpdateReply::Kind::NoUpdate);
}

TEST(ParseUpdateReplyTest, RejectsUnframedAndPartialReplies) {
    for (const char* reply : {"", "http://example.org", "<resp>http://a.b", "x<resp></resp>",
                              "<resp></resp>x", "<resp>", "</resp>", "<resp</resp>"}) {
        EXPECT_EQ(ParseUpdateReply(reply).kind, UpdateReply::Kind::Invalid) << reply;
    }
}

TEST(ParseUpdateReplyTest, OpensOnlyWebAddresses) {
    for (const char* reply :
         {"<resp>file:///etc/passwd</resp>", "<resp>/usr/bin/xterm</resp>",
          "<resp>javascript:alert(1)</resp>", "<resp>ftp://a.b/c</resp>", "<resp>http:///x</resp>",
          "<resp>http://a b</resp>", "<resp>https://</resp>"}) {
        EXPECT_EQ(ParseUpdateReply(reply).kind, UpdateReply::Kind::Invalid) << reply;
    }
    EXPECT_EQ(ParseUpdateReply("<resp>https://a.b/c?d=1</resp>").kind, UpdateReply::Kind::Update);
}

class RecordingUi : public UpdateUserInterface {
public:
    bool answerOk = true;
    bool openWorks = true;
    std::vector<std::string> asked, opened, errors;
    bool AskOkCancel(const std::string& text) override {
        asked.push_back(text);
        return answerOk;
    }
    bool OpenUrl(const std::string& address) override {
        opened.push_back(address);
        return openWorks;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
};

TEST(HandleUpdateReplyTest, AsksAndOpensTheAddress) {
    RecordingUi ui;
    UpdateOutcome outcome = HandleUpdateReply(" <resp>http://x.org/new</resp>\n", ui);
    EXPECT_EQ(outcome, UpdateOutcome::Opened);
    EXPECT_TRUE(StoresLastChecked(outcome));
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0],
              "An update to Tarnel Audio Converter is currently available.\r\n"
              "Would you like to download it?");
    EXPECT_EQ(ui.opened, std::vector<std::string>{"http://x.org/new"});
}

TEST(HandleUpdateReplyTest, DeclineStillCountsAsChecked) {
    RecordingUi ui;
    ui.answerOk = false;
    UpdateOutcome outcome = HandleUpdateReply("<resp>http://x.org/new</resp>", ui);
    EXPECT_EQ(outcome, UpdateOutcome::Declined);
    EXPECT_TRUE(StoresLastChecked(outcome));
    EXPECT_TRUE(ui.opened.empty());
}

TEST(HandleUpdateReplyTest, BrowserFailureShowsTheErrorAndKeepsTheDate) {
    RecordingUi ui;
    ui.openWorks = false;
    UpdateOutcome outcome = HandleUpdateReply("<resp>http://x.org/new</resp>", ui);
    EXPECT_EQ(outcome, UpdateOutcome::OpenFailed);
    EXPECT_FALSE(StoresLastChecked(outcome));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_TRUE(ui.errors[0].starts_with(
        "An error occured while retrieving Tarnel Audio Converter update. Please launch the\r\n"
        "browser and get it from "));
}

TEST(HandleUpdateReplyTest, NoUpdateAndInvalidAskNothing) {
    RecordingUi ui;
    EXPECT_EQ(HandleUpdateReply("<resp></resp>", ui), UpdateOutcome::NoUpdate);
    EXPECT_EQ(HandleUpdateReply("<resp>file:///bin/sh</resp>", ui), UpdateOutcome::Ignored);
    EXPECT_FALSE(StoresLastChecked(UpdateOutcome::NoUpdate));
    EXPECT_FALSE(StoresLastChecked(UpdateOutcome::Ignored));
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_TRUE(ui.opened.empty());
}

}  // namespace
}  // namespace tarnel
