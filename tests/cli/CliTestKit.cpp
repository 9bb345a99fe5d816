#include "CliTestKit.h"

#include "cli/ErrorReport.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kora::test {

void CliTest::SetUp()
{
    SimFixture::SetUp();
    port_ = std::make_unique<ScopedEnv>("KORA_PORT", portName());
    config_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", (workDir() / "config").string());
}

void CliTest::TearDown()
{
    config_.reset();
    port_.reset();
    SimFixture::TearDown();
}

void CliTest::writeControllerNames(const std::string& text)
{
    std::filesystem::create_directories(workDir() / "config" / "kora7740p");
    std::ofstream(workDir() / "config" / "kora7740p" / "controllers.conf") << text;
}

std::string CliTest::writeLocal(const std::string& name, const std::string& bytes)
{
    const std::filesystem::path path = workDir() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    return path.string();
}

std::string CliTest::deviceFile(const std::string& path)
{
    return sim().fileSystem().readFile(path).value_or(std::string());
}

std::string ErrLine(const std::string& message)
{
    return "kora7740p: " +
           cli::OneLine(QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())))
               .toLatin1()
               .toStdString() +
           "\n";
}

std::string RandomText(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

std::string Padded(std::string bytes, char fill)
{
    bytes.resize((bytes.size() + 127) / 128 * 128, fill);
    return bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace kora::test
