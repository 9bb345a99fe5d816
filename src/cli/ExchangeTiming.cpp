#include "cli/ExchangeTiming.h"

namespace kora::cli {

// TIMING: connect --patient here. Quick timing is not part of the console exchange yet, so both
// choices run the exchange as it is, which waits for the console to fall silent.

DeviceOperation WithTiming(DeviceOperation op, ExchangeTiming timing)
{
    static_cast<void>(timing);
    return op;
}

void WithTiming(SerialPort& port, ExchangeTiming timing)
{
    static_cast<void>(port);
    static_cast<void>(timing);
}

} // namespace kora::cli
