#include "sim/SimulatorCli.h"

#include <algorithm>
#include <charconv>

#include "sim/Faults.h"

namespace kora::sim {

namespace {

std::optional<int> number(const std::string& text, int least)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < least)
        return std::nullopt;
    return value;
}

bool isComName(const std::string& name)
{
    if (!name.starts_with("COM") || name.size() < 4 || name[3] == '0')
        return false;
    const auto n = number(name.substr(3), 1);
    return n && *n <= 255;
}

// "4,24,16,99": one known module type (or 99) per slot.
std::optional<IoConfiguration> moduleList(const std::string& text)
{
    std::array<int, 4> types{};
    std::size_t start = 0;
    for (std::size_t slot = 0; slot < types.size(); ++slot) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const auto type = number(text.substr(start, end - start), 0);
        if (!type || (slot + 1 < types.size()) != (end < text.size()))
            return std::nullopt;
        types[slot] = *type;
        start = end + 1;
    }
    return IoConfigurationWithModules(types);
}

std::optional<int> transferEnd(const std::string& text)
{
    if (text == "refused")
        return Faults::kTransferEndRefused;
    if (text == "unanswered")
        return Faults::kTransferEndUnanswered;
    if (text == "acked-not-kept")
        return Faults::kTransferEndAckedNotKept;
    if (text == "refused-kept")
        return Faults::kTransferEndRefusedKept;
    return std::nullopt;
}

} // namespace

std::string UsageText()
{
    return "Usage: kora7740p-sim [options]\n"
           "Simulates the KORA-7740P controller's console on a pseudo-terminal.\n"
           "\n"
           "  --ports-dir DIR        folder for the COMn link (default: the utility's)\n"
           "  --com COMn             name to publish the line as (default COM1)\n"
           "  --baud N               pace the line at N baud, 10 bits a byte (default: unpaced)\n"
           "  --usb-latency-ms N     deliver output as a USB adapter does: held until N ms\n"
           "                         have passed or a 64-byte packet is full\n"
           "  --log FILE             record both directions of the line in FILE\n"
           "  --drive-d HOSTDIR      serve D: from a host folder (changes are written through)\n"
           "  --flood                add D:\\FLOOD.EXE, which prints lines without pause\n"
           "  --io-modules A,B,C,D   module types in I/O slots 0-3, 99 for none\n"
           "                         (default 4,24,16,99)\n"
           "Faults:\n"
           "  --no-echo              do not echo typed characters\n"
           "  --wrong-echo-at K      echo a wrong byte for the K-th character of each line\n"
           "  --no-prompt            never print the prompt\n"
           "  --pause-ms N           stop command output once for N ms ...\n"
           "  --pause-after-lines L  ... after L lines (default 3)\n"
           "  --pause-into-line B    ... and B bytes into the next line\n"
           "  --silent               ignore everything received\n"
           "  --hang-up-after MS     close the line MS milliseconds after start\n"
           "  --hang-up-after-lines L  close the line after L output lines of a command, once\n"
           "  --silent-after-lines L ignore everything after L output lines of a command\n"
           "  --cfgio-noise          chatter between the records of C:\\cfgio 1\n"
           "  --cfgio-no-end         C:\\cfgio 1 stops before its end record\n"
           "  --stray-at-start       a stray byte waits in the command line before the first\n"
           "                         command, so that command is glued onto it\n"
           "  --stray-percent P      ... and at each prompt with a chance of P%\n"
           "  --stray-byte C         the stray byte (default x)\n"
           "  --stray-key-sequence K  a half-finished key sequence (K: esc, csi for ESC [,\n"
           "                         ss3 for ESC O) waits on the line before the first\n"
           "                         command, after the stray byte of --stray-at-start; the\n"
           "                         next byte(s) go to it, not to the command line\n"
           "  --collecting-key-reader  ESC [ takes every byte up to a final byte (@ to ~), as a\n"
           "                         terminal reads it, not just the next one\n"
           "  --no-program-enter-echo  the Enter of a line that starts a program file is not\n"
           "                         echoed (the program runs)\n"
           "  --external-cd-percent P  at each prompt with a chance of P%, the current\n"
           "                         directory changes behind the client's back (D:'s root,\n"
           "                         another directory of D:, or the drive C:)\n"
           "  --noise N              line noise: N bytes in a million are dropped, doubled or\n"
           "                         get a bit flipped (a third each)\n"
           "  --noise-dir DIR        ... in direction rx (to the simulator), tx or both (default)\n"
           "  --noise-seed S         ... drawn from seed S, so a run repeats (default 1)\n"
           "  --nak-storm P          the transfer tool refuses a good block with NAKs, P% of\n"
           "                         blocks ...\n"
           "  --nak-storm-length N   ... N times in a row (default 3; ten make the sender quit)\n"
           "Console framing (consoles differ; the default prints both line ends):\n"
           "  --no-line-end-before-prompt  print no line end of its own before the prompt\n"
           "  --type-no-line-end     \"type\" adds no line end after a last line without one\n"
           "  --transfer-end HOW     how the transfer tool ends a file: refused (CAN CAN to\n"
           "                         the EOT, \"Transfer failed\", nothing kept), unanswered\n"
           "                         (the EOT is never answered), acked-not-kept (ACK, then\n"
           "                         \"Transfer failed\", nothing kept) or refused-kept (CAN CAN\n"
           "                         and \"Transfer failed\", the file kept all the same)\n"
           "  --help                 show this text\n";
}

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& arguments,
                                           std::string* error)
{
    CliOptions options;
    auto fail = [error](std::string why) -> std::optional<CliOptions> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto numberValue = [&](int least) -> std::optional<int> {
            const auto text = value();
            return text ? number(*text, least) : std::nullopt;
        };
        if (flag == "--help" || flag == "-h") {
            options.help = true;
        } else if (flag == "--flood") {
            options.simulator.flood = true;
        } else if (flag == "--no-echo") {
            options.noEcho = true;
        } else if (flag == "--no-prompt") {
            options.noPrompt = true;
        } else if (flag == "--no-line-end-before-prompt") {
            options.noLineEndBeforePrompt = true;
        } else if (flag == "--type-no-line-end") {
            options.typeAddsNoLineEnd = true;
        } else if (flag == "--silent") {
            options.silent = true;
        } else if (flag == "--cfgio-noise") {
            options.ioConfigNoise = true;
        } else if (flag == "--cfgio-no-end") {
            options.ioConfigNoEnd = true;
        } else if (flag == "--stray-at-start") {
            options.strayAtStart = true;
        } else if (flag == "--stray-key-sequence") {
            const auto text = value();
            if (text && *text == "esc")
                options.strayKeySequence = Faults::kKeyEscape;
            else if (text && *text == "csi")
                options.strayKeySequence = Faults::kKeyCsi;
            else if (text && *text == "ss3")
                options.strayKeySequence = Faults::kKeySs3;
            else
                return fail("--stray-key-sequence takes esc, csi or ss3");
        } else if (flag == "--collecting-key-reader") {
            options.collectingKeyReader = true;
        } else if (flag == "--no-program-enter-echo") {
            options.noProgramEnterEcho = true;
        } else if (flag == "--stray-byte") {
            const auto text = value();
            if (!text || text->size() != 1 || (*text)[0] < ' ' || (*text)[0] > '~')
                return fail("--stray-byte takes one printable character");
            options.strayByte = (*text)[0];
        } else if (flag == "--stray-percent" || flag == "--external-cd-percent") {
            const auto n = numberValue(0);
            if (!n || *n > 100)
                return fail(flag + " needs a percentage from 0 to 100");
            (flag == "--stray-percent" ? options.strayBytePercent : options.externalCdPercent) = *n;
        } else if (flag == "--hang-up-after-lines" || flag == "--silent-after-lines") {
            const auto n = numberValue(1);
            if (!n)
                return fail(flag + " needs a number of lines from 1");
            (flag == "--hang-up-after-lines" ? options.hangUpAfterLines
                                             : options.silentAfterLines) = *n;
        } else if (flag == "--transfer-end") {
            const auto text = value();
            const auto end = text ? transferEnd(*text) : std::nullopt;
            if (!end)
                return fail("--transfer-end takes refused, unanswered, acked-not-kept or "
                            "refused-kept");
            options.transferEnd = *end;
        } else if (flag == "--noise-dir") {
            const auto text = value();
            if (text && *text == "rx")
                options.noiseDirections = Faults::kNoiseReceived;
            else if (text && *text == "tx")
                options.noiseDirections = Faults::kNoiseSent;
            else if (text && *text == "both")
                options.noiseDirections = Faults::kNoiseReceived | Faults::kNoiseSent;
            else
                return fail("--noise-dir takes rx, tx or both");
        } else if (flag == "--noise" || flag == "--noise-seed" || flag == "--nak-storm" ||
                   flag == "--nak-storm-length") {
            const auto n = numberValue(0);
            if (!n || (flag == "--noise" && *n > 1'000'000) || (flag == "--nak-storm" && *n > 100))
                return fail(flag + " needs a number (at most 1000000 for --noise, 100 for "
                                   "--nak-storm)");
            (flag == "--noise"        ? options.noisePerMillion
             : flag == "--noise-seed" ? options.noiseSeed
             : flag == "--nak-storm"  ? options.nakStormPercent
                                      : options.nakStormLength) = *n;
        } else if (flag == "--io-modules") {
            const auto text = value();
            auto config = text ? moduleList(*text) : std::nullopt;
            if (!config)
                return fail("--io-modules takes four known module types such as 4,24,16,99");
            options.simulator.ioConfiguration = std::move(config);
        } else if (flag == "--ports-dir" || flag == "--log" || flag == "--drive-d" ||
                   flag == "--com") {
            const auto text = value();
            if (!text || text->empty())
                return fail(flag + " needs a value");
            if (flag == "--ports-dir")
                options.portsDir = *text;
            else if (flag == "--log")
                options.simulator.byteLog = *text;
            else if (flag == "--drive-d")
                options.simulator.hostDriveD = *text;
            else if (!isComName(*text))
                return fail("--com takes a name COM1 to COM255, not '" + *text + "'");
            else
                options.comName = *text;
        } else if (flag == "--baud") {
            const auto n = numberValue(0);
            if (!n)
                return fail("--baud needs a whole number of baud");
            options.simulator.baudRate = static_cast<unsigned>(*n);
        } else if (flag == "--usb-latency-ms") {
            const auto n = numberValue(0);
            if (!n)
                return fail("--usb-latency-ms needs a whole number of milliseconds");
            options.simulator.usbLatencyMs = static_cast<unsigned>(*n);
        } else if (flag == "--wrong-echo-at") {
            const auto n = numberValue(1);
            if (!n)
                return fail("--wrong-echo-at needs a character position from 1");
            options.wrongEchoAt = *n;
        } else if (flag == "--pause-ms" || flag == "--pause-after-lines" ||
                   flag == "--pause-into-line" || flag == "--hang-up-after") {
            const auto n = numberValue(0);
            if (!n)
                return fail(flag + " needs a number");
            (flag == "--pause-ms"            ? options.pauseMs
             : flag == "--pause-after-lines" ? options.pauseAfterLines
             : flag == "--pause-into-line"   ? options.pauseIntoLine
                                             : options.hangUpAfterMs) = *n;
        } else {
            return fail("unknown option '" + flag + "'");
        }
    }
    return options;
}

void ApplyFaults(const CliOptions& options, Faults& faults)
{
    faults.noEcho = options.noEcho;
    faults.wrongEchoAt = options.wrongEchoAt;
    faults.noPrompt = options.noPrompt;
    faults.pauseMs = options.pauseMs;
    faults.pauseAfterLines = options.pauseAfterLines;
    faults.pauseIntoLine = options.pauseIntoLine;
    faults.silent = options.silent;
    faults.ioConfigNoise = options.ioConfigNoise;
    faults.ioConfigNoEnd = options.ioConfigNoEnd;
    faults.strayByte = static_cast<unsigned char>(options.strayByte);
    faults.strayBytesPending = options.strayAtStart ? 1 : 0;
    faults.strayBytePercent = options.strayBytePercent;
    faults.externalCdPercent = options.externalCdPercent;
    faults.strayKeySequence = options.strayKeySequence;
    faults.collectingKeyReader = options.collectingKeyReader;
    faults.noProgramEnterEcho = options.noProgramEnterEcho;
    faults.hangUpAfterLines = options.hangUpAfterLines;
    faults.silentAfterLines = options.silentAfterLines;
    faults.noisePerMillion = options.noisePerMillion;
    faults.noiseDirections = options.noiseDirections;
    faults.noiseSeed = static_cast<std::uint32_t>(options.noiseSeed);
    faults.nakStormPercent = options.nakStormPercent;
    faults.nakStormLength = options.nakStormLength;
    faults.noLineEndBeforePrompt = options.noLineEndBeforePrompt;
    faults.typeAddsNoLineEnd = options.typeAddsNoLineEnd;
    faults.transferEnd = options.transferEnd;
}

} // namespace kora::sim
