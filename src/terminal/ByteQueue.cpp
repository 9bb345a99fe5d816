#include "terminal/ByteQueue.h"

namespace kora {

bool ByteQueue::Push(std::uint8_t byte)
{
    std::lock_guard guard(lock_);
    slots_[writePosition_] = byte;
    writePosition_ = Next(writePosition_);
    if (writePosition_ == readPosition_) {
        readPosition_ = Next(readPosition_);
    }
    return true;
}

bool ByteQueue::Pop(std::uint8_t& byte)
{
    std::lock_guard guard(lock_);
    if (readPosition_ == writePosition_) {
        return false;
    }
    byte = slots_[readPosition_];
    readPosition_ = Next(readPosition_);
    return true;
}

std::size_t ByteQueue::Size() const
{
    std::lock_guard guard(lock_);
    return (writePosition_ + kSlots - readPosition_) % kSlots;
}

} // namespace kora
