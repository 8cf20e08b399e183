#pragma once

#include "platform/tick_sound.h"

namespace hodra::test {

class FakeTickSound : public TickSound {
public:
    void Play() override { ++plays; }
    int plays = 0;
};

}  // namespace hodra::test
