// How one direction of a simulated network path treats each datagram: it drops a share of
// them and holds each of the others for a delay of its own, drawn from a seeded stream, so
// that two runs with the same seed see the same path.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace hodra::bench {

enum class DelayKind {
    kNone,    // passed on at once
    kNormal,  // mean ± standard deviation, never below zero
    kQueue,   // a constant plus an exponential: what queues along a path add
};

struct PathShape {
    DelayKind kind = DelayKind::kNone;
    double first_ms = 0;   // normal: the mean; queue: the constant
    double second_ms = 0;  // normal: the standard deviation; queue: the exponential's mean
    double loss = 0;       // the share dropped, 0 to 1
};

// "none", "normal:MEAN:SD" or "queue:CONSTANT:MEAN" in milliseconds, each optionally
// followed by ",loss:PERCENT".
std::optional<PathShape> ParsePathShape(const std::string& text);

// The fates of the datagrams that take one direction, in the order they arrive.
class PathDraw {
public:
    PathDraw(const PathShape& shape, std::uint64_t seed);

    // The next datagram's delay, or nothing when it is dropped.
    std::optional<std::chrono::nanoseconds> Next();

private:
    double Uniform();
    double DelayMs();

    PathShape shape_;
    std::mt19937_64 engine_;
};

}  // namespace hodra::bench
