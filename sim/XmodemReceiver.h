#pragma once

#include <atomic>
#include <memory>

namespace kora::sim {

class Simulator;

// How the controller's transfer tool behaves. Every field may be changed from any thread while
// the simulator runs; the tool reads them when it needs them.
struct TransferToolOptions {
    // The receiver asks for the first block this often, at most inviteLimit times.
    std::atomic<int> inviteIntervalMs{1000};
    std::atomic<int> inviteLimit{60};
    // Silence tolerated inside a block, and between blocks before it asks again.
    std::atomic<int> byteTimeoutMs{1000};
    std::atomic<int> blockTimeoutMs{10000};
    // Bad blocks and time-outs in a row before it gives up.
    std::atomic<int> errorLimit{10};

    // Faults. Blocks are counted from 1 in file order; 0 turns a fault off.
    // Block nakBlock is refused with NAK nakTimes times before it is taken.
    std::atomic<int> nakBlock{0};
    std::atomic<int> nakTimes{0};
    // Block cancelAtBlock is answered with CAN and the tool quits.
    std::atomic<int> cancelAtBlock{0};
    // The receiver asks with 'C' (the CRC variant) instead of NAK.
    std::atomic<bool> askForCrc{false};
    // The tool starts but never sends a byte; it quits on five CAN or a long silence.
    std::atomic<bool> silent{false};
    // The first corruptTimes copies of block corruptBlock arrive with one data byte changed,
    // as line noise would leave them.
    std::atomic<int> corruptBlock{0};
    std::atomic<int> corruptTimes{1};
};

// Registers "transfer": "C:\transfer /R <path>" receives one file by XMODEM (128-byte blocks,
// 8-bit checksum) and stores it, padding of the last block included, at path. How it ends the
// file is one of the simulator's faults (Faults::transferEnd).
void RegisterTransferCommand(Simulator& simulator);
void RegisterTransferCommand(Simulator& simulator, std::shared_ptr<TransferToolOptions> options);

} // namespace kora::sim
