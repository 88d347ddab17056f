#pragma once
// The document fixture with a session-aware list view attached (the rows are ticked the way the
// desktop list view ticks them) and helpers for session files.
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/SessionStream.h"
#include "app/SessionTickingView.h"
#include "platform/storage/CompoundFile.h"
#include "tests/app/DocFixture.h"

namespace tarnel::test {

class SessionFixture : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        rows = std::make_unique<SessionTickingView>(*doc);
    }
    void TearDown() override {
        rows.reset();
        DocFixture::TearDown();
    }

    std::string SessionPath(const std::string& name) const { return (workDir() / name).string(); }

    // Writes a session file with exactly these records, through the program's storage code.
    std::string WriteSession(const std::string& name, const std::vector<SessionRecord>& records) {
        const std::string path = SessionPath(name);
        EXPECT_EQ(
            CompoundFile::WriteSingleStream(path, kSessionStreamName, EncodeSessionStream(records)),
            S_OK);
        return path;
    }

    // Opens the session and lets the queued WM_LOAD_PENDING run the load loop.
    bool OpenAndLoad(const std::string& path) {
        const bool opened = doc->OpenSession(path);
        Drain();
        return opened;
    }

    std::vector<std::string> EntryPaths() const {
        std::vector<std::string> paths;
        for (const auto& entry : doc->Entries()) paths.push_back(entry->path);
        return paths;
    }
    std::vector<std::string> CheckedPaths() const {
        std::vector<std::string> paths;
        for (const auto& entry : doc->CheckedEntries()) paths.push_back(entry->path);
        return paths;
    }

    std::unique_ptr<SessionTickingView> rows;
};

}  // namespace tarnel::test
