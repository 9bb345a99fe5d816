#pragma once

// The main window on the simulator, shown on Qt's offscreen platform, with a PC folder beside
// it for the files a test copies:
//
//   class MyTest : public kora::test::WindowSimFixture {};
#include <QTest>

#include <filesystem>
#include <memory>

#include "app/MainWindow.h"
#include "support/SimFixture.h"

namespace kora::test {

class WindowSimFixture : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        pcFolder_ = workDir() / "pc";
        std::filesystem::create_directories(pcFolder_);
        window_ = std::make_unique<TfrmMain>();
        window_->FormCreate();
        window_->resize(1000, 700);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    void TearDown() override
    {
        window_.reset();
        SimFixture::TearDown();
    }

    std::filesystem::path pcFolder_;
    std::unique_ptr<TfrmMain> window_;
};

} // namespace kora::test
