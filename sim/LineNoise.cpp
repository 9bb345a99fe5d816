#include "sim/LineNoise.h"

#include "sim/Faults.h"

namespace kora::sim {

LineNoise::LineNoise(Faults& faults) : faults_(faults), seed_(faults.noiseSeed.load())
{
    generator_.seed(seed_);
}

void LineNoise::reseedIfAsked()
{
    const std::uint32_t seed = faults_.noiseSeed.load();
    if (seed != seed_) {
        seed_ = seed;
        generator_.seed(seed_);
    }
}

bool LineNoise::active(int direction) const
{
    return faults_.noisePerMillion.load() > 0 && (faults_.noiseDirections.load() & direction) != 0;
}

LineNoise::Fate LineNoise::next(int direction)
{
    if (!active(direction))
        return Fate::Pass;
    reseedIfAsked();
    std::uniform_int_distribution<int> perMillion(0, 999'999);
    if (perMillion(generator_) >= faults_.noisePerMillion.load())
        return Fate::Pass;
    ++faults_.injected;
    if (direction == Faults::kNoiseReceived)
        ++faults_.injectedReceived;
    std::uniform_int_distribution<int> kind(0, 2);
    switch (kind(generator_)) {
    case 0:
        return Fate::Drop;
    case 1:
        return Fate::Double;
    default:
        return Fate::Flip;
    }
}

std::uint8_t LineNoise::flip(std::uint8_t byte)
{
    std::uniform_int_distribution<int> bit(0, 7);
    return static_cast<std::uint8_t>(byte ^ (1u << bit(generator_)));
}

std::string LineNoise::apply(std::string_view bytes, int direction)
{
    std::string out;
    out.reserve(bytes.size() + 4);
    for (const char c : bytes) {
        switch (next(direction)) {
        case Fate::Pass:
            out.push_back(c);
            break;
        case Fate::Drop:
            break;
        case Fate::Double:
            out.push_back(c);
            out.push_back(c);
            break;
        case Fate::Flip:
            out.push_back(static_cast<char>(flip(static_cast<std::uint8_t>(c))));
            break;
        }
    }
    return out;
}

} // namespace kora::sim
