#pragma once
// A document host that records messages and answers the save prompt as the test says, so no
// modal box ever waits for a user.
#include <string>
#include <vector>

#include "ui/QtDocumentHost.h"

namespace tarnel::test {

class TestHost : public ui::QtDocumentHost {
public:
    TestHost() : QtDocumentHost(nullptr) {}
    std::vector<std::string> messages;
    std::vector<std::string> prompts;
    SaveAnswer answer = SaveAnswer::No;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    SaveAnswer AskSaveChanges(const std::string& fileTitle) override {
        prompts.push_back(fileTitle);
        return answer;
    }
};

}  // namespace tarnel::test
