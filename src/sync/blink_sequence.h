#pragma once

#include <cstdint>
#include <string>

namespace hodra {

// The success message blinks after a synchronisation, then gives way to the time of
// the last synchronisation. The count lives as long as the process and starts at 1, so
// the first sequence is one tick shorter than the later ones.
class BlinkSequence {
public:
    struct Step {
        std::string text;
        bool finished;
    };

    Step Tick(std::int64_t lastCon);
    int Count() const { return count; }

private:
    int count = 1;
};

// "최종 동기시각은 AM 00시 05분 09초 였습니다." from the local time of lastCon.
std::string FinalSyncText(std::int64_t lastCon);

}  // namespace hodra
