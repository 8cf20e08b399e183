#pragma once

#include <atomic>

#include "time/exchanger.h"

namespace hodra::test {

// Passes exchanges on and records how many ever ran at the same time.
class CountingExchanger : public Exchanger {
public:
    explicit CountingExchanger(Exchanger& real) : real(real) {}

    ExchangeResult Exchange(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                            const AnsweredBy* avoid) override {
        const int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        ++calls;
        ExchangeResult result = real.Exchange(host, port, cancel, avoid);
        --inside;
        return result;
    }

    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::atomic<int> calls{0};

private:
    Exchanger& real;
};

}  // namespace hodra::test
