// The document's loop on Qt: queued calls to a context object of the document's thread, a
// QTimer, and QCoreApplication::processEvents. Also the document's Qt-only entry points, kept in
// this file so that a program that brings its own loop links no Qt.
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include "app/CvemoraDoc.h"
#include "app/DocumentLoop.h"

namespace tarnel {
namespace {

class QtDocumentTimer final : public DocumentTimer {
public:
    QtDocumentTimer(QObject* context, int intervalMs, std::function<void()> tick) {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, context, std::move(tick));
    }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class QtDocumentLoop final : public DocumentLoop {
public:
    void Post(std::function<void()> call) override {
        QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
    }
    void Pump(int milliseconds) override {
        QCoreApplication::processEvents(QEventLoop::AllEvents, milliseconds);
    }
    void RunFor(int milliseconds) override {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::unique_ptr<DocumentTimer> MakeTimer(int intervalMs, std::function<void()> tick) override {
        return std::make_unique<QtDocumentTimer>(&context_, intervalMs, std::move(tick));
    }

private:
    QObject context_;  // lives on the thread that made the loop
};

}  // namespace

std::shared_ptr<DocumentLoop> MakeQtDocumentLoop() {
    return std::make_shared<QtDocumentLoop>();
}

CvemoraDoc::CvemoraDoc(DocumentHost& host, ProbeFunction probe,
                       std::unique_ptr<ConversionEngine> engine)
    : CvemoraDoc(MakeQtDocumentLoop(), host, std::move(probe), std::move(engine)) {}

void CvemoraDoc::PumpMessages(int milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, milliseconds);
}

}  // namespace tarnel
