#pragma once

namespace kora {

// How an XMODEM upload follows each block's ACK. Paced waits 5 ms first, which spares a slow
// receiver that needs a moment after answering; Fast sends the next block at once, at the
// line's own pace. A NAK, a CAN and the EOT are handled alike in both.
enum class UploadPacing { Paced, Fast };

} // namespace kora
