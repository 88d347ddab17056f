#pragma once
// Moves a finished conversion from the private temporary file to its final name beside the
// source. The bytes are first written to a hidden temporary name in the destination folder and
// renamed over the final name only when complete, so a failure never leaves a truncated output
// file and an existing output is replaced in one step.
#include <optional>
#include <string>

namespace tarnel {

// The reason a delivery failed, for the log; nothing on success.
using DeliveryError = std::optional<std::string>;

// Delivers the whole temporary file as finalPath: renamed when both lie on one file system
// (the temporary file is then gone), copied otherwise.
DeliveryError DeliverCopy(const std::string& tempPath, const std::string& finalPath);

// Takes the raw MPEG audio stream out of the RIFF WAVE container the MP3 encoder wrote: checks
// "RIFF", "WAVE", "fmt " and a format tag of 85 (MPEG Layer-3) or 80 (MPEG), finds the first
// "data" tag from offset 8 on and copies everything after its 8-byte header to finalPath.
DeliveryError DeliverMp3Stream(const std::string& tempPath, const std::string& finalPath);

// Removes the hidden files of the deliveries in progress, for a process that must end without
// waiting for the threads writing them. Any thread.
void RemoveUnfinishedDeliveries();

}  // namespace tarnel
