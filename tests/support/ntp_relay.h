#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <thread>
#include <vector>

namespace hodra::test {

// A man in the middle on loopback: takes NTP requests on 127.0.0.2:port and passes them to
// 127.0.0.1:port, and the replies back, spoiling them as told.
class NtpRelay {
public:
    enum class Spoil {
        Nothing,
        TransmitByte,       // one byte of the reply's transmit stamp changed
        DropAuthenticator,  // the reply's last extension field (the Authenticator) cut off
        Replay,             // every reply is the first one seen again
        RequestCookie,      // a byte of the request's cookie changed: the server answers with a NAK
    };

    explicit NtpRelay(std::uint16_t port);
    ~NtpRelay();
    NtpRelay(const NtpRelay&) = delete;
    NtpRelay& operator=(const NtpRelay&) = delete;

    bool Listening() const { return listening; }
    void SetSpoil(Spoil how) { spoil.store(how); }
    int RequestsSeen() const { return requests.load(); }

private:
    void Serve();
    void Forward(std::vector<std::uint8_t> request);
    void Answer(std::vector<std::uint8_t> reply);

    int front = -1;  // 127.0.0.2:port
    int back = -1;   // connected to 127.0.0.1:port
    int wake = -1;
    bool listening = false;
    sockaddr_in client{};
    std::atomic<Spoil> spoil{Spoil::Nothing};
    std::atomic<int> requests{0};
    std::vector<std::uint8_t> firstReply;
    std::thread worker;
};

}  // namespace hodra::test
