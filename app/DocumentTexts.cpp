#include "app/DocumentTexts.h"

namespace tarnel::texts {

namespace {

std::string Quoted(std::string_view before, std::string_view path, std::string_view after) {
    std::string text;
    text.reserve(before.size() + path.size() + after.size() + 2);
    text.append(before).append("\"").append(path).append("\"").append(after);
    return text;
}

}  // namespace

std::string AlreadyListed(std::string_view path) {
    return Quoted("The file ", path, " is already in the list. Skipped.");
}

std::string UnsupportedFile(std::string_view path) {
    return Quoted("Error checking the audio file ", path,
                  ". It may not be in a supported format or is corrupted.");
}

std::string PlaybackFailed(std::string_view path) {
    return "Could not play " + std::string(path) + ".\nAn unexpected error occured.";
}

std::string BuildFailed(std::string_view path) {
    return Quoted("Error converting the file ", path,
                  ".Either the paricular codec format is unavailable or a fatal error occured "
                  "while processing the file.");
}

std::string OggSettingsRejected(std::string_view path) {
    return Quoted("Error converting the file ", path,
                  ".\nThe Ogg encoder could not manage to configure the current settings.\n"
                  "Adjust bitrates, sampling rate, or channels and try again.");
}

std::string DeliveryFailed(std::string_view source, std::string_view reason) {
    std::string text = Quoted("Error saving the converted file for ", source, ": ");
    text.append(reason);
    return text;
}

}  // namespace tarnel::texts
