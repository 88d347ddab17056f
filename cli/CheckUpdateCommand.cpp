#include "cli/CheckUpdateCommand.h"

#include <future>
#include <string>

#include "update/InternetState.h"
#include "update/UpdateChecker.h"
#include "update/UpdateReply.h"
#include "update/UpdateServer.h"

namespace tarnel::cli {

int RunCheckUpdate(std::FILE* out, std::FILE* err) {
    if (!IsInternetConnected()) {
        std::fprintf(err, "tarnel-convert: no network connection\n");
        return 1;
    }
    std::promise<std::string> replied;
    UpdateChecker checker([&](std::string reply) { replied.set_value(std::move(reply)); });
    const std::string host = UpdateHost();
    if (!checker.StartDefault()) {
        std::fprintf(err, "tarnel-convert: could not prepare the request to %s\n", host.c_str());
        return 1;
    }
    const std::string reply = replied.get_future().get();
    checker.ResultHandled();
    const UpdateReply answer = ParseUpdateReply(reply);
    switch (answer.kind) {
        case UpdateReply::Kind::Update:
            std::fprintf(out, "An update is available: %s\n", answer.address.c_str());
            return 0;
        case UpdateReply::Kind::NoUpdate:
            std::fprintf(out, "Tarnel Audio Converter %s is up to date.\n",
                         ProductVersionText().c_str());
            return 0;
        case UpdateReply::Kind::Invalid:
            break;
    }
    if (reply.empty()) {
        std::fprintf(err, "tarnel-convert: no answer from the update server %s\n", host.c_str());
    } else {
        std::fprintf(err,
                     "tarnel-convert: the update server %s sent an answer that is not understood\n",
                     host.c_str());
    }
    return 1;
}

}  // namespace tarnel::cli
