#include "update/UpdateReply.h"

#include "update/UpdateServer.h"

#include <algorithm>
#include <cctype>

namespace tarnel {
namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Only web addresses are opened: a reply must never make the program open a local file or
// start another kind of handler.
bool IsWebAddress(std::string_view address) {
    auto hostAfter = [&](std::string_view prefix) {
        return address.starts_with(prefix) && address.size() > prefix.size() &&
               address[prefix.size()] != '/';
    };
    bool printable = std::all_of(address.begin(), address.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u != 0x7F;
    });
    return printable && (hostAfter("http://") || hostAfter("https://"));
}

}  // namespace

UpdateReply ParseUpdateReply(std::string_view reply) {
    while (!reply.empty() && IsSpace(reply.back())) reply.remove_suffix(1);
    while (!reply.empty() && IsSpace(reply.front())) reply.remove_prefix(1);
    std::string text(reply);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });

    constexpr std::string_view open = "<resp>";
    constexpr std::string_view close = "</resp>";
    UpdateReply result;
    if (text.size() < open.size() + close.size() || !text.starts_with(open) ||
        !text.ends_with(close)) {
        return result;
    }
    std::string content = text.substr(open.size(), text.size() - open.size() - close.size());
    if (content.empty()) {
        result.kind = UpdateReply::Kind::NoUpdate;
    } else if (IsWebAddress(content)) {
        result.kind = UpdateReply::Kind::Update;
        result.address = std::move(content);
    }
    return result;
}

}  // namespace tarnel

namespace tarnel {

UpdateOutcome HandleUpdateReply(std::string_view reply, UpdateUserInterface& ui) {
    UpdateReply parsed = ParseUpdateReply(reply);
    switch (parsed.kind) {
        case UpdateReply::Kind::Invalid:
            return UpdateOutcome::Ignored;
        case UpdateReply::Kind::NoUpdate:
            return UpdateOutcome::NoUpdate;
        case UpdateReply::Kind::Update:
            break;
    }
    if (!ui.AskOkCancel(kUpdateQuestion)) return UpdateOutcome::Declined;
    if (ui.OpenUrl(parsed.address)) return UpdateOutcome::Opened;
    ui.ShowError(std::string(kUpdateOpenFailed) + kUpdateWebPage);
    return UpdateOutcome::OpenFailed;
}

}  // namespace tarnel
