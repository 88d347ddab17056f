#pragma once
// A graph with its own filter registry holding the system filter stand-ins, plus helpers to
// find pins, run to completion and decode raw PCM through the independent WAV reader.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/FilterGraph.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"
#include "tests/support/filters/PinHelpers.h"

namespace tarnel::media::graphtest {

class MediaGraphTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        test::IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry_);
        graph_ = std::make_unique<FilterGraph>(registry_);
        ASSERT_EQ(graph_->SetSyncSource(nullptr), S_OK);
    }
    void TearDown() override {
        graph_.reset();
        test::IsolatedTest::TearDown();
    }

    std::filesystem::path Path(const std::string& name) const { return workDir() / name; }

    static IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
        return test::harness::PinOf(filter, direction);
    }

    // Creates a registered filter by class and adds it under `name`.
    IBaseFilter* Add(const GUID& clsid, const std::string& name) {
        std::shared_ptr<IBaseFilter> filter;
        EXPECT_EQ(registry_.CreateInstance(clsid, &filter), S_OK);
        IBaseFilter* raw = filter.get();
        EXPECT_TRUE(SUCCEEDED(graph_->AddFilter(std::move(filter), name)));
        return raw;
    }

    IBaseFilter* AddSource(const std::filesystem::path& file, HRESULT expected = S_OK) {
        IBaseFilter* source = nullptr;
        EXPECT_EQ(graph_->AddSourceFilter(file, "Music Source", &source), expected);
        return source;
    }

    HRESULT Connect(IBaseFilter* up, IBaseFilter* down) {
        return graph_->Connect(FirstPin(up, PINDIR_OUTPUT), FirstPin(down, PINDIR_INPUT));
    }

    // Runs unpaced and waits for the first completion or abort event; returns its code
    // (0 on time-out) and the event's first parameter.
    int32_t RunToEnd(intptr_t* param1 = nullptr, int32_t timeoutMs = 30000) {
        EXPECT_TRUE(SUCCEEDED(graph_->Run()));
        int32_t code = 0;
        if (FAILED(graph_->WaitForCompletion(timeoutMs, &code))) return 0;
        int32_t c = 0;
        intptr_t p1 = 0, p2 = 0;
        while (SUCCEEDED(graph_->GetEvent(&c, &p1, &p2, 0))) {
            if (c == code) {
                if (param1) *param1 = p1;
                graph_->FreeEventParams(c, p1, p2);
                break;
            }
            graph_->FreeEventParams(c, p1, p2);
        }
        EXPECT_EQ(graph_->Stop(), S_OK);
        return code;
    }

    // Raw interleaved PCM bytes seen through the independent WAV reader.
    static test::PcmAudio DecodeRaw(const std::vector<uint8_t>& raw, int rate, int channels,
                                    int bits, bool isFloat = false) {
        test::PcmAudio shell;
        shell.sampleRate = rate;
        shell.channels = channels;
        shell.bitsPerSample = bits;
        shell.isFloat = isFloat;
        auto wav = test::EncodeWav(shell);
        const uint32_t size = uint32_t(raw.size());
        std::memcpy(&wav[wav.size() - 4], &size, 4);
        wav.insert(wav.end(), raw.begin(), raw.end());
        test::TempDir dir;
        test::WriteFileBytes(dir.path() / "raw.wav", wav);
        return test::ReadWav(dir.path() / "raw.wav").audio;
    }

    FilterRegistry registry_;
    std::unique_ptr<FilterGraph> graph_;
};

}  // namespace tarnel::media::graphtest
