#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <vector>

#include "sync/system_time_service.h"

namespace hodra::test {

// The system's time service as the controller sees it, scripted; like the real one it
// answers later, from the event loop, and a cancel drops the answers still to come.
class FakeTimeService : public SystemTimeService {
public:
    bool keepsClock = false;
    bool stepSucceeds = true;
    int queries = 0;
    std::vector<double> steps;
    std::vector<bool> mayAsk;

    void QueryKeepsClock(std::function<void(bool keeps)> done) override {
        ++queries;
        Later([this, done] { done(keepsClock); });
    }
    void StepBy(double seconds, bool ask, std::function<void(bool stepped, const std::string& why)> done) override {
        steps.push_back(seconds);
        mayAsk.push_back(ask);
        Later([this, done] { done(stepSucceeds, stepSucceeds ? "" : "org.freedesktop.DBus.Error.AccessDenied"); });
    }
    void Cancel() override { ++generation; }

private:
    template <typename F>
    void Later(F answer) {
        const int asked = generation;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, asked, answer] {
                if (asked == generation) {
                    answer();
                }
            },
            Qt::QueuedConnection);
    }

    int generation = 0;
};

}  // namespace hodra::test
