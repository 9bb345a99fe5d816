// sync on the simulator: which files the record lets it leave, what --delete, --dry-run and
// --json do, and an upload cut off half-way.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "CliTestKit.h"
#include "sim/XmodemReceiver.h"
#include "sync/SyncRecord.h"

namespace kora::test {
namespace {

namespace fs = std::filesystem;

using Names = std::set<std::string>;

std::string PcFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliSync : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        state_ = std::make_unique<ScopedEnv>("XDG_STATE_HOME", (workDir() / "state").string());
        transfer_ = std::make_shared<sim::TransferToolOptions>();
        sim::RegisterTransferCommand(sim(), transfer_);
    }
    void TearDown() override
    {
        state_.reset();
        CliTest::TearDown();
    }

    // A PC folder of three files, in a folder of its own.
    std::string project(const std::string& name)
    {
        fs::create_directories(workDir() / name / "cfg");
        writeLocal(name + "/a.bin", RandomText(300, 1));
        writeLocal(name + "/b.txt", "speed=3\r\n");
        writeLocal(name + "/cfg/c.dat", RandomText(200, 2));
        return (workDir() / name).string();
    }

    // The sync's JSON document; an empty one when it failed.
    QJsonObject sync(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{"--json", "sync"};
        all.insert(all.end(), args.begin(), args.end());
        last_ = tool(all);
        return QJsonDocument::fromJson(QByteArray::fromStdString(last_.out)).object();
    }

    static Names Listed(const QJsonObject& result, const char* key)
    {
        Names names;
        for (const QJsonValue& value : result[QLatin1String(key)].toArray()) {
            names.insert(value.toString().toStdString());
        }
        return names;
    }

    std::shared_ptr<sim::TransferToolOptions> transfer_;
    ToolResult last_;

private:
    std::unique_ptr<ScopedEnv> state_;
};

// The record's rules: only a file whose content is the one recorded and which the controller
// still lists with the recorded size and date is left.
TEST_F(CliSync, UploadsWhatTheRecordCannotVouchFor)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& folder, const std::string& device)> change;
        std::vector<std::string> options;
        Names uploaded;
    };
    const auto dosPath = [](const std::string& device, const char* name) {
        return "D:" + device + "\\" + name;
    };
    const Names all{"A.BIN", "B.TXT", "CFG\\C.DAT"};
    const std::vector<Case> cases{
        {"nothing changed", {}, {}, {}},
        {"a file changed on the PC, to the same size",
         [&](const std::string& folder, const std::string&) {
             std::ofstream(folder + "/a.bin", std::ios::binary) << RandomText(300, 9);
         },
         {},
         {"A.BIN"}},
        {"a file of another size on KORA-7740P, dated as listed",
         [&](const std::string&, const std::string& device) {
             const auto entry = sim().fileSystem().entry(dosPath(device, "A.BIN"));
             sim().fileSystem().writeFileChecked(dosPath(device, "A.BIN"),
                                                 Padded(RandomText(500, 1)), entry->modified);
         },
         {},
         {"A.BIN"}},
        {"a file of another date on KORA-7740P, of the same bytes",
         [&](const std::string&, const std::string& device) {
             const std::string path = dosPath(device, "A.BIN");
             sim().fileSystem().writeFileChecked(path, *sim().fileSystem().readFile(path),
                                                 sim::DosDateTime{2001, 1, 2, 3, 4});
         },
         {},
         {"A.BIN"}},
        {"a file deleted on KORA-7740P",
         [&](const std::string&, const std::string& device) {
             sim().fileSystem().deleteFile(dosPath(device, "A.BIN"));
         },
         {},
         {"A.BIN"}},
        {"no record",
         [&](const std::string&, const std::string&) {
             fs::remove(SyncRecord::FileFor(portName()));
         },
         {},
         all},
        {"only another controller's record",
         [&](const std::string&, const std::string&) {
             fs::rename(SyncRecord::FileFor(portName()), SyncRecord::FileFor("press-9"));
         },
         {},
         all},
        {"nothing changed, --all", {}, {"--all"}, all},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = project("p" + std::to_string(++number));
        const std::string device = "\\S" + std::to_string(number);
        const QJsonObject first = sync({folder, device});
        ASSERT_EQ(last_.status, 0) << last_.err;
        EXPECT_EQ(Listed(first, "uploaded").size(), 3u);
        EXPECT_TRUE(first["changed"].toBool());
        if (c.change) {
            c.change(folder, device);
        }
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {folder, device});
        const QJsonObject second = sync(args);
        ASSERT_EQ(last_.status, 0) << last_.err;
        Names expected;
        for (const std::string& name : c.uploaded) {
            expected.insert("D:" + device + "\\" + name);
        }
        EXPECT_EQ(Listed(second, "uploaded"), expected);
        EXPECT_EQ(Listed(second, "unchanged").size(), 3 - expected.size());
        EXPECT_EQ(second["changed"].toBool(), !expected.empty());
        const std::string sent = PcFile(folder + "/a.bin");
        EXPECT_TRUE(deviceFile("D:" + device + "\\A.BIN").substr(0, sent.size()) == sent);
    }
}

// A file whose upload was cut off is not recorded as sent; the ones before it are.
TEST_F(CliSync, AnUploadCutOffHalfWayIsNotRecorded)
{
    const std::string folder = (workDir() / "cut").string();
    fs::create_directories(folder);
    writeLocal("cut/a.bin", RandomText(100, 1));  // one block
    writeLocal("cut/b.bin", RandomText(1000, 2)); // eight blocks
    sync({folder, "\\CUT"});
    ASSERT_EQ(last_.status, 0) << last_.err;

    writeLocal("cut/a.bin", RandomText(100, 3));
    writeLocal("cut/b.bin", RandomText(1000, 4));
    transfer_->cancelAtBlock = 3; // every file's third block is refused
    sync({folder, "\\CUT"});
    EXPECT_EQ(last_.status, 1);
    EXPECT_NE(last_.err.find("B.BIN"), std::string::npos) << last_.err;

    transfer_->cancelAtBlock = 0;
    const QJsonObject again = sync({folder, "\\CUT"});
    ASSERT_EQ(last_.status, 0) << last_.err;
    EXPECT_EQ(Listed(again, "uploaded"), (Names{"D:\\CUT\\B.BIN"}));
    EXPECT_TRUE(deviceFile("D:\\CUT\\B.BIN").substr(0, 1000) == RandomText(1000, 4));
}

TEST_F(CliSync, DeletesWhatThePcFolderDoesNotHoldOnlyWithYes)
{
    const std::string folder = project("del");
    ASSERT_EQ(tool({"sync", folder, "\\DEL"}).status, 0);
    sim().fileSystem().writeFileChecked("D:\\DEL\\OLD.TXT", "old");
    sim().fileSystem().makeDirectory("D:\\DEL\\CFG\\OLDDIR");
    sim().fileSystem().writeFileChecked("D:\\DEL\\CFG\\OLDDIR\\X.TXT", "x");

    const ToolResult plan = tool({"sync", "--delete", "--dry-run", folder, "\\DEL"});
    ASSERT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(plan.out, "unchanged D:\\DEL\\A.BIN\n"
                        "unchanged D:\\DEL\\B.TXT\n"
                        "unchanged D:\\DEL\\CFG\\C.DAT\n"
                        "del D:\\DEL\\OLD.TXT\n"
                        "del D:\\DEL\\CFG\\OLDDIR\\X.TXT\n"
                        "rmdir D:\\DEL\\CFG\\OLDDIR\n"
                        "0 to upload, 3 unchanged, 3 to delete\n");
    const ToolResult asked = tool({"sync", "--delete", folder, "\\DEL"});
    EXPECT_EQ(asked.status, 2);
    EXPECT_EQ(asked.out, "D:\\DEL\\OLD.TXT\nD:\\DEL\\CFG\\OLDDIR\\X.TXT\nD:\\DEL\\CFG\\OLDDIR\n");
    EXPECT_TRUE(onDevice("D:\\DEL\\CFG\\OLDDIR\\X.TXT"));

    const QJsonObject done = sync({"--delete", "--yes", folder, "\\DEL"});
    ASSERT_EQ(last_.status, 0) << last_.err;
    EXPECT_EQ(Listed(done, "deleted"),
              (Names{"D:\\DEL\\OLD.TXT", "D:\\DEL\\CFG\\OLDDIR\\X.TXT", "D:\\DEL\\CFG\\OLDDIR"}));
    EXPECT_TRUE(done["changed"].toBool());
    EXPECT_FALSE(onDevice("D:\\DEL\\OLD.TXT"));
    EXPECT_FALSE(onDevice("D:\\DEL\\CFG\\OLDDIR"));
    EXPECT_TRUE(onDevice("D:\\DEL\\CFG\\C.DAT"));
}

} // namespace
} // namespace kora::test
