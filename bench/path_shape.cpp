#include "path_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace hodra::bench {

std::optional<PathShape> ParsePathShape(const std::string& text) {
    const std::size_t comma = text.find(',');
    const std::string delay = text.substr(0, comma);
    PathShape shape;
    char word[16] = {};
    int used = 0;
    if (delay == "none") {
        shape.kind = DelayKind::kNone;
    } else if (std::sscanf(delay.c_str(), "%15[a-z]:%lf:%lf%n", word, &shape.first_ms, &shape.second_ms, &used) == 3 &&
               used == static_cast<int>(delay.size()) && shape.first_ms >= 0 && shape.second_ms >= 0) {
        const std::string kind = word;
        if (kind == "normal") {
            shape.kind = DelayKind::kNormal;
        } else if (kind == "queue") {
            shape.kind = DelayKind::kQueue;
        } else {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    if (comma != std::string::npos) {
        const std::string loss = text.substr(comma + 1);
        double percent = -1;
        used = 0;
        if (std::sscanf(loss.c_str(), "loss:%lf%n", &percent, &used) != 1 || used != static_cast<int>(loss.size()) ||
            percent < 0 || percent > 100) {
            return std::nullopt;
        }
        shape.loss = percent / 100;
    }
    return shape;
}

PathDraw::PathDraw(const PathShape& shape, std::uint64_t seed) : shape_(shape) {
    // The engine and the transforms below are fully specified, unlike the standard
    // distributions, so a seed gives the same path with any standard library.
    std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
    engine_.seed(sequence);
}

std::optional<std::chrono::nanoseconds> PathDraw::Next() {
    // Every datagram takes the same number of draws, dropped or not, so the k-th datagram's
    // fate depends on the seed alone, not on what happened to the ones before it.
    const bool dropped = Uniform() < shape_.loss;
    const double ms = DelayMs();
    if (dropped) {
        return std::nullopt;
    }
    return std::chrono::nanoseconds(std::llround(ms * 1e6));
}

double PathDraw::Uniform() {
    // 53 random bits, centred in their interval: never 0 or 1, so the logarithms are finite.
    return (static_cast<double>(engine_() >> 11) + 0.5) * 0x1p-53;
}

double PathDraw::DelayMs() {
    switch (shape_.kind) {
    case DelayKind::kNone: return 0;
    case DelayKind::kNormal: {
        // Box-Muller; a path cannot deliver before it was sent, so the tail below zero is cut.
        const double radius = std::sqrt(-2 * std::log(Uniform()));
        const double normal = radius * std::cos(2 * std::numbers::pi * Uniform());
        return std::max(0.0, shape_.first_ms + shape_.second_ms * normal);
    }
    case DelayKind::kQueue: return shape_.first_ms - shape_.second_ms * std::log(Uniform());
    }
    return 0;
}

}  // namespace hodra::bench
