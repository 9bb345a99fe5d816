// The "Config KORA" cycle against the simulator: read-out, dialog, file, upload, apply.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <deque>
#include <fstream>
#include <memory>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "ioconf/IoConfigController.h"
#include "ioconf/IoConfigText.h"
#include "ioconf/KoraIOConfDialog.h"
#include "link/DeviceLink.h"
#include "sim/DosFileSystem.h"
#include "sim/IoConfigTool.h"
#include "sim/XmodemReceiver.h"
#include "support/ModalAnswer.h"
#include "support/RecordingPrompts.h"
#include "support/SimFixture.h"

namespace kora {
namespace {

const QString kAdvice = "\n\nPlease make sure the KORA-7740P is in INIT mode\n\nand no program is "
                        "running";

class IoConfigCycle : public test::SimFixture {
protected:
    void SetUp() override
    {
        test::SimFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        link_.setPortName(QString::fromStdString(portName()));
        useConfigPath(workDir() / "K7740PIO.cfg");
    }

    // The controller as the window makes it, with short time-outs.
    void useConfigPath(const std::filesystem::path& path)
    {
        configPath_ = path;
        IoConfigController::Wiring wiring;
        wiring.link = &link_;
        wiring.meoDos = &pane_;
        wiring.configPath = QString::fromStdString(path.string());
        wiring.dialogParent = &pane_;
        wiring.timing = {60, 60, 60};
        controller_ = std::make_unique<IoConfigController>(std::move(wiring));
    }

    QStringList paneLines() const { return pane_.toPlainText().split('\n'); }
    std::string deviceConfig() { return *sim().fileSystem().readFile(sim::kIoConfigSystemFile); }
    std::optional<std::string> localFile() const
    {
        std::ifstream in(configPath_, std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs one cycle; the dialog, if it comes, is answered by `answer`. Returns how often the
    // dialog came.
    int runCycle(std::function<void(TdlgKoraIOConf&)> answer = [](TdlgKoraIOConf& dialog) {
        QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
    })
    {
        test::ModalAnswer<TdlgKoraIOConf> dialog(std::move(answer));
        controller_->tbtnKoraConfClick();
        EXPECT_FALSE(link_.busy()) << "the port is given back";
        return dialog.answered();
    }

    static void pick(TdlgKoraIOConf& dialog, int slot, int channel, const char* text)
    {
        QComboBox& box = *dialog.rangeBox(slot, channel);
        box.setCurrentIndex(box.findText(QString::fromLatin1(text)));
    }

    test::RecordingPrompts prompts_;
    ScopedPrompts scopedPrompts_{prompts_};
    QPlainTextEdit pane_;
    DeviceLink link_;
    std::filesystem::path configPath_;
    std::unique_ptr<IoConfigController> controller_;
};

TEST_F(IoConfigCycle, ReadsEditsUploadsAndAppliesAndTheNextReadOutShowsIt)
{
    sim().faults().ioConfigNoise = true;
    const int dialogs = runCycle([](TdlgKoraIOConf& dialog) {
        EXPECT_EQ(dialog.statextNodeID()->text(), "01");
        EXPECT_EQ(dialog.statextDsp(0)->text(), "KORA-7255 8-channel analog input module");
        EXPECT_EQ(dialog.rangeBox(0, 0)->currentText(), "+/-   5  V");
        EXPECT_EQ(dialog.rangeBox(1, 3)->currentText(), "0~ 20  mA");
        EXPECT_EQ(dialog.statextDsp(2)->text(), "KORA-7275 16-ch universal digital I/O module");
        EXPECT_EQ(dialog.statextDsp(3)->text(), "No module");
        pick(dialog, 0, 0, "+/-  10  V");
        pick(dialog, 1, 3, "0~ 10   V");
        QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
    });
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(prompts_.boxes.isEmpty()) << prompts_.boxes.join("\n").toStdString();

    // What the controller now runs is what the local file says, record for record.
    const std::string applied = deviceConfig();
    EXPECT_NE(applied.find("@SLOT0 04 08 -1\n0 08 -1 -1\n"), std::string::npos) << applied;
    EXPECT_NE(applied.find("2 50 -1 -1\n3 50 -1 -1\n@SLOT1 -1 -1 -1\n"), std::string::npos);
    EXPECT_EQ(localFile(), applied);
    EXPECT_FALSE(sim().fileSystem().exists(sim::kIoConfigUploadFile));
    const QStringList lines = paneLines();
    for (const char* shown : {"C:\\cfgio 1", "@SLOT1 24 04 -1", "C:\\transfer /R D:\\koraio.cfg",
                              "<<Transferring File...>>", "C:\\cfgio", "I/O configuration applied",
                              "del D:\\koraio.cfg"}) {
        EXPECT_TRUE(lines.contains(shown)) << shown << "\n" << pane_.toPlainText().toStdString();
    }

    // The next read-out shows the new ranges; Cancel then ends the cycle without a word.
    const std::string before = sim().fileSystem().readFile(sim::kIoConfigSystemFile).value();
    pane_.clear();
    EXPECT_EQ(runCycle([](TdlgKoraIOConf& dialog) {
                  EXPECT_EQ(dialog.rangeBox(0, 0)->currentText(), "+/-  10  V");
                  EXPECT_EQ(dialog.rangeBox(1, 3)->currentText(), "0~ 10   V");
                  pick(dialog, 0, 0, "   4~20 mA");
                  QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
              }),
              1);
    EXPECT_TRUE(prompts_.boxes.isEmpty());
    EXPECT_EQ(deviceConfig(), before);
    EXPECT_FALSE(paneLines().contains("C:\\transfer /R D:\\koraio.cfg"));
}

TEST_F(IoConfigCycle, ReadOutThatFailsShowsItsMessageAndNoDialog)
{
    link_.setPortName("/dev/kora-no-such-port");
    EXPECT_EQ(runCycle(), 0);
    link_.setPortName(QString::fromStdString(portName()));
    sim().faults().noEcho = true;
    EXPECT_EQ(runCycle(), 0);
    EXPECT_EQ(prompts_.boxes,
              QStringList({"error: Unable to open /dev/kora-no-such-port!\n\nThere is no such port "
                           "(/dev/kora-no-such-port does not exist).",
                           "error: Unable to send command 'scanio'!" + kAdvice}));
    EXPECT_FALSE(localFile());

    // While somebody else holds the port, nothing happens at all.
    sim().faults().noEcho = false;
    prompts_.boxes.clear();
    pane_.clear();
    PortLease held = link_.acquire(PortHolder::Terminal);
    controller_->tbtnKoraConfClick();
    EXPECT_TRUE(prompts_.boxes.isEmpty());
    EXPECT_TRUE(pane_.toPlainText().isEmpty());
}

TEST_F(IoConfigCycle, AReadOutThatChangedIsTakenOnlyWhenTwoReadingsAgree)
{
    // Every dialog shows what the controller holds: channel 0 of slot 0 at code 9.
    const auto cancel = [](TdlgKoraIOConf& dialog) {
        EXPECT_EQ(dialog.rangeBox(0, 0)->currentText(), "+/-   5  V");
        QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
    };
    EXPECT_EQ(runCycle(cancel), 1); // the first read-out has nothing to agree with
    // A range digit noise turned into another digit: a read-out of good shape.
    const std::string whole = sim::FormatIoConfiguration(sim::SampleIoConfiguration());
    const auto changed = [&whole](const std::string& from, const std::string& to) {
        std::string text = whole;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string noisy = changed("\n0 09 -1 -1\n", "\n0 08 -1 -1\n");
    const std::string other = changed("\n1 09 -1 -1\n", "\n1 01 -1 -1\n");
    const std::string third = changed("\n2 09 -1 -1\n", "\n2 01 -1 -1\n");
    struct Case {
        std::vector<std::string> readings; // one per "C:\cfgio 1", the last one repeated
        int dialogs;
    };
    for (const Case& c : std::vector<Case>{{{noisy, whole}, 1}, {{noisy, other, third}, 0}}) {
        auto left = std::make_shared<std::deque<std::string>>(c.readings.begin(), c.readings.end());
        sim().registerCommand("cfgio", [left](sim::CommandContext& context) {
            context.io.write(left->front());
            if (left->size() > 1) {
                left->pop_front();
            }
        });
        prompts_.boxes.clear();
        EXPECT_EQ(runCycle(cancel), c.dialogs);
        EXPECT_EQ(prompts_.boxes.size(), c.dialogs == 1 ? 0 : 1);
        if (c.dialogs == 0 && !prompts_.boxes.isEmpty()) {
            EXPECT_TRUE(prompts_.boxes.front().contains("changed from one reading to the next"))
                << prompts_.boxes.front().toStdString();
        }
    }
    sim::RegisterIoConfigTool(sim());
}

TEST_F(IoConfigCycle, FileThatCannotBeWrittenIsNeitherUploadedNorApplied)
{
    useConfigPath(workDir() / "missing" / "K7740PIO.cfg");
    EXPECT_EQ(runCycle(), 1);
    EXPECT_EQ(prompts_.boxes, QStringList({"error: Failed to create configuration!"}));
    EXPECT_FALSE(paneLines().contains("C:\\transfer /R D:\\koraio.cfg"));
    EXPECT_FALSE(paneLines().contains("C:\\cfgio"));
}

TEST_F(IoConfigCycle, RefusedUploadIsNotApplied)
{
    auto transfer = std::make_shared<sim::TransferToolOptions>();
    transfer->inviteIntervalMs = 100;
    transfer->cancelAtBlock = 1;
    sim::RegisterTransferCommand(sim(), transfer);
    const std::string before = deviceConfig();
    EXPECT_EQ(runCycle([](TdlgKoraIOConf& dialog) {
                  pick(dialog, 0, 0, "+/- 150 mV");
                  QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
              }),
              1);
    EXPECT_EQ(prompts_.boxes, QStringList({"error: Failed to transfer configuration!\n\nKORA-7740P "
                                           "cancelled the transfer"}));
    EXPECT_TRUE(localFile()) << "the local file is written before the upload";
    EXPECT_FALSE(paneLines().contains("C:\\cfgio"));
    EXPECT_FALSE(paneLines().contains("del D:\\koraio.cfg"));
    EXPECT_EQ(deviceConfig(), before);
}

TEST_F(IoConfigCycle, UploadIsDeletedEvenWhenApplyingItFails)
{
    // The console stops answering just while "C:\cfgio" is typed.
    QObject::connect(&pane_, &QPlainTextEdit::textChanged, [this] {
        const QString last = pane_.document()->lastBlock().text();
        if (last == "C:\\cfgio") {
            sim().faults().silent = true;
        } else if (last == "del D:\\koraio.cfg") {
            sim().faults().silent = false;
        }
    });
    const std::string before = deviceConfig();
    EXPECT_EQ(runCycle([](TdlgKoraIOConf& dialog) {
                  pick(dialog, 0, 0, "+/- 150 mV");
                  QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
              }),
              1);
    EXPECT_EQ(prompts_.boxes,
              QStringList({"error: Unable to send command 'C:\\cfgio\r'!" + kAdvice}));
    EXPECT_TRUE(paneLines().contains("del D:\\koraio.cfg"));
    EXPECT_FALSE(sim().fileSystem().exists(sim::kIoConfigUploadFile));
    EXPECT_EQ(deviceConfig(), before);
}

// The window's "Config KORA" button runs the cycle on the port the port box chose last.
class MainWindowIoConfig : public test::SimFixture {};

TEST_F(MainWindowIoConfig, ConfigButtonRunsTheCycleOnThePortChosenLast)
{
    test::RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    TfrmMain window;
    window.FormCreate();
    window.show();
    QLineEdit& typed = *window.devicePanel()->cbxCOM()->lineEdit();
    typed.selectAll();
    QTest::keyClicks(&typed, "/dev/kora-no-such-port");
    QTest::keyClick(&typed, Qt::Key_Return);
    prompts.boxes.clear(); // the listing of the new port failed too
    window.devicePanel()->tbtnKoraConf()->click();
    EXPECT_EQ(prompts.boxes,
              QStringList({"error: Unable to open /dev/kora-no-such-port!\n\nThere is no such port "
                           "(/dev/kora-no-such-port does not exist)."}));
}

} // namespace
} // namespace kora
