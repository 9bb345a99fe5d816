#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace kora::sim {

struct Faults;

// The line-noise fault (Faults::noisePerMillion): decides, byte by byte, what the line does to
// the bytes crossing it. Used by the console's thread only; reads the fault settings afresh for
// each byte and counts what it injects in Faults::injected.
class LineNoise {
public:
    explicit LineNoise(Faults& faults);

    enum class Fate { Pass, Drop, Double, Flip };
    // What happens to the next byte going in `direction` (Faults::kNoiseReceived or kNoiseSent).
    Fate next(int direction);
    // The byte with one bit changed, the bit chosen at random.
    std::uint8_t flip(std::uint8_t byte);
    // The bytes as they arrive at the other end.
    std::string apply(std::string_view bytes, int direction);
    // Whether noise may touch the direction at all (so clean output is passed on as it is).
    bool active(int direction) const;

private:
    void reseedIfAsked();

    Faults& faults_;
    std::uint32_t seed_ = 0;
    std::mt19937 generator_;
};

} // namespace kora::sim
