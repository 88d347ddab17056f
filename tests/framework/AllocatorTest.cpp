#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/AMThread.h"
#include "framework/FilterGraph.h"
#include "framework/MediaSample.h"
#include "framework/MemAllocator.h"
#include "tests/support/filters/PinHelpers.h"

namespace tarnel::test {
using harness::PcmType;
namespace {

std::shared_ptr<CMemAllocator> MakeAllocator(int32_t buffers, int32_t bytes, int32_t align = 1) {
    auto alloc = std::make_shared<CMemAllocator>();
    ALLOCATOR_PROPERTIES want{buffers, bytes, align, 0}, got;
    EXPECT_EQ(alloc->SetProperties(&want, &got), S_OK);
    return alloc;
}

TEST(AllocatorTest, GetBufferNeedsCommitAndPropertiesAreFrozenWhileCommitted) {
    auto alloc = std::make_shared<CMemAllocator>();
    IMediaSample* s = nullptr;
    EXPECT_EQ(alloc->Commit(), VFW_E_SIZENOTSET);
    ALLOCATOR_PROPERTIES want{2, 100, 16, 0}, got;
    ASSERT_EQ(alloc->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(alloc->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(alloc->Commit(), S_OK);
    EXPECT_EQ(alloc->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);
    ASSERT_EQ(alloc->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    uint8_t* p = nullptr;
    s->GetPointer(&p);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    EXPECT_EQ(s->GetSize(), 100);
    alloc->Decommit();
    EXPECT_EQ(alloc->SetProperties(&want, &got), VFW_E_BUFFERS_OUTSTANDING);
    s->Release();
    EXPECT_EQ(alloc->SetProperties(&want, &got), S_OK);
}

TEST(AllocatorTest, RefusesUnboundedOrMalformedRequests) {
    auto alloc = std::make_shared<CMemAllocator>();
    ALLOCATOR_PROPERTIES got;
    ALLOCATOR_PROPERTIES huge{1024, 1 << 30, 1, 0};
    EXPECT_EQ(alloc->SetProperties(&huge, &got), E_OUTOFMEMORY);
    ALLOCATOR_PROPERTIES badAlign{1, 10, 3, 0};
    EXPECT_EQ(alloc->SetProperties(&badAlign, &got), VFW_E_BADALIGN);
    ALLOCATOR_PROPERTIES negative{-1, 10, 1, 0};
    EXPECT_EQ(alloc->SetProperties(&negative, &got), E_INVALIDARG);
}

TEST(AllocatorTest, GetBufferBlocksWhileEveryBufferIsOutUntilOneReturns) {
    auto alloc = MakeAllocator(2, 64);
    ASSERT_EQ(alloc->Commit(), S_OK);
    MediaSamplePtr a, b;
    ASSERT_EQ(alloc->GetBuffer(a.Receive(), nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(alloc->GetBuffer(b.Receive(), nullptr, nullptr, 0), S_OK);
    MediaSamplePtr c;
    EXPECT_EQ(alloc->GetBuffer(c.Receive(), nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

    std::atomic<bool> got{false};
    std::thread waiter([&] {
        MediaSamplePtr d;
        EXPECT_EQ(alloc->GetBuffer(d.Receive(), nullptr, nullptr, 0), S_OK);
        got = true;
    });
    EXPECT_FALSE(got.load());  // (can only be wrong if GetBuffer did not block at all)
    a.Reset();                 // one buffer back: the waiter gets it
    waiter.join();
    EXPECT_TRUE(got.load());
}

TEST(AllocatorTest, DecommitWakesEveryWaiterWithNotCommitted) {
    auto alloc = MakeAllocator(1, 64);
    ASSERT_EQ(alloc->Commit(), S_OK);
    MediaSamplePtr only;
    ASSERT_EQ(alloc->GetBuffer(only.Receive(), nullptr, nullptr, 0), S_OK);
    std::vector<std::thread> waiters;
    std::atomic<int> notCommitted{0};
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            MediaSamplePtr s;
            if (alloc->GetBuffer(s.Receive(), nullptr, nullptr, 0) == VFW_E_NOT_COMMITTED)
                ++notCommitted;
        });
    }
    alloc->Decommit();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(notCommitted.load(), 3);
    EXPECT_EQ(alloc->SamplesOut(), 1);
    only.Reset();
    EXPECT_EQ(alloc->SamplesOut(), 0);
    // Committing again gives fresh buffers.
    ASSERT_EQ(alloc->Commit(), S_OK);
    EXPECT_EQ(alloc->GetBuffer(only.Receive(), nullptr, nullptr, 0), S_OK);
}

TEST(AllocatorTest, SampleOutlivesTheLastOtherOwnerOfItsAllocator) {
    MediaSamplePtr s;
    {
        auto alloc = MakeAllocator(1, 32);
        ASSERT_EQ(alloc->Commit(), S_OK);
        ASSERT_EQ(alloc->GetBuffer(s.Receive(), nullptr, nullptr, 0), S_OK);
        alloc->Decommit();
    }
    uint8_t* p = nullptr;
    s->GetPointer(&p);
    p[31] = 7;  // still valid memory (AddressSanitizer watches)
    s.Reset();
}

TEST(MediaSampleTest, PropertiesAndTheirResetOnReturn) {
    auto alloc = MakeAllocator(1, 16);
    ASSERT_EQ(alloc->Commit(), S_OK);
    MediaSamplePtr s;
    REFERENCE_TIME t0 = 5, t1 = 9;
    ASSERT_EQ(alloc->GetBuffer(s.Receive(), &t0, &t1, 0), S_OK);
    REFERENCE_TIME a = 0, b = 0;
    EXPECT_EQ(s->GetTime(&a, &b), S_OK);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 9);
    s->SetTime(&t0, nullptr);
    EXPECT_EQ(s->GetTime(&a, &b), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(b, 6);
    s->SetTime(nullptr, nullptr);
    EXPECT_EQ(s->GetTime(&a, &b), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(s->GetMediaTime(&a, &b), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(s->SetActualDataLength(17), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->SetActualDataLength(-1), E_INVALIDARG);
    EXPECT_EQ(s->SetActualDataLength(16), S_OK);
    CMediaType mt = PcmType();
    s->SetMediaType(&mt);
    s->SetSyncPoint(true);
    s->SetDiscontinuity(true);
    s->SetStreamId(AM_STREAM_CONTROL);
    CMediaType got;
    EXPECT_EQ(s->GetMediaType(&got), S_OK);
    EXPECT_EQ(got, mt);
    s.Reset();
    ASSERT_EQ(alloc->GetBuffer(s.Receive(), nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(s->GetActualDataLength(), 0);
    EXPECT_EQ(s->GetMediaType(&got), S_FALSE);
    EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(s->GetStreamId(), AM_STREAM_MEDIA);
    EXPECT_EQ(s->GetTime(&a, &b), VFW_E_SAMPLE_TIME_NOT_SET);
}

TEST(MediaSampleTest, CopySampleRefusesSmallDestination) {
    auto big = MakeAllocator(1, 32), small = MakeAllocator(1, 8);
    big->Commit();
    small->Commit();
    MediaSamplePtr a, b;
    big->GetBuffer(a.Receive(), nullptr, nullptr, 0);
    small->GetBuffer(b.Receive(), nullptr, nullptr, 0);
    a->SetActualDataLength(9);
    EXPECT_EQ(CopySample(a.get(), b.get()), VFW_E_BUFFER_OVERFLOW);
    a->SetActualDataLength(8);
    int64_t m0 = 100, m1 = 200;
    a->SetMediaTime(&m0, &m1);
    EXPECT_EQ(CopySample(a.get(), b.get()), S_OK);
    int64_t x = 0, y = 0;
    EXPECT_EQ(b->GetMediaTime(&x, &y), S_OK);
    EXPECT_EQ(y, 200);
}

class EchoThread : public CAMThread {
public:
    ~EchoThread() override { Close(); }
    std::atomic<int> handled{0};

protected:
    uint32_t ThreadProc() override {
        for (;;) {
            uint32_t r = GetRequest();
            if (r == 0) {
                Reply(0);
                return 0;
            }
            if (r == 99) return 1;  // leaves without replying
            ++handled;
            Reply(r * 2);
        }
    }
};

TEST(AMThreadTest, RequestsAreAnsweredAndAThreadThatExitsReleasesItsCaller) {
    EchoThread t;
    EXPECT_EQ(t.CallWorker(5), 0xFFFFFFFFu);  // no thread yet
    ASSERT_TRUE(t.Create());
    EXPECT_FALSE(t.Create());
    EXPECT_EQ(t.CallWorker(21), 42u);
    EXPECT_EQ(t.CallWorker(4), 8u);
    EXPECT_EQ(t.CallWorker(99), 0xFFFFFFFFu);  // would hang without the exit wake-up
    t.Close();
    EXPECT_FALSE(t.ThreadExists());
    ASSERT_TRUE(t.Create());  // restartable
    EXPECT_EQ(t.CallWorker(1), 2u);
    EXPECT_EQ(t.CallWorker(0), 0u);
    t.Close();
    EXPECT_EQ(t.handled.load(), 3);
}

TEST(AMEventTest, AutoResetReleasesOneWaitManualStaysSet) {
    CAMEvent autoEvent;
    EXPECT_FALSE(autoEvent.Check());
    autoEvent.Set();
    EXPECT_TRUE(autoEvent.Wait(0));
    EXPECT_FALSE(autoEvent.Wait(0));
    CAMEvent manual(true);
    manual.Set();
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(1));
}

}  // namespace
}  // namespace tarnel::test
