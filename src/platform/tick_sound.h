#pragma once

#include <QString>
#include <memory>

namespace hodra {

// The clock's tick: the sound file when it can be played, else a short 440 Hz beep.
class TickSound {
public:
    virtual ~TickSound() = default;
    virtual void Play() = 0;
};

std::unique_ptr<TickSound> CreateTickSound(const QString& wavPath);

}  // namespace hodra
