// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A started application in a scratch directory and its main dialog, driven
// through the scripted windowing services. No scanner manager can be loaded,
// so every dialog starts with Scan disabled.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ScriptedWindowingServices.h"
#include "app/Application.h"
#include "ui/CMainDlg.h"
#include "ui/ControlIds.h"
#include "ui/MessageBoxNotifier.h"
#include "support/ScratchDirectory.h"

namespace vestiscop::ui::test {

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the configuration (with the replaced lines), starts the
    // application and builds the dialog.
    void start(const std::vector<std::string>& config = {});
    // Drops the files' URLs on the dialog.
    void drop(const std::vector<std::string>& paths);
    void dropFile(const std::string& name) { drop({m_dir.file(name)}); }

    template <typename WidgetT>
    WidgetT* control(int id) const
    {
        auto* widget = findControlAs<WidgetT>(m_dialog.get(), id);
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    QPushButton* button(int id) const { return control<QPushButton>(id); }
    QComboBox* nameList() const { return control<QComboBox>(CMainDlg::NameListId); }
    std::string fieldText(int id) const;
    std::vector<std::string> listTexts() const;
    std::string selectedText() const;
    int selectedSlot() const;
    std::string similarityText() const;
    // The boxes shown since start() (the scanner's failure dropped).
    std::vector<ShownBox> boxesSinceStart() const;
    std::string logText() const { return m_dir.read("vestiscop.log"); }
    void selectName(const std::string& name);

    testsupport::ScratchDirectory m_dir;
    ScriptedWindowingServices m_services;
    std::unique_ptr<MessageBoxNotifier> m_notifier;
    std::unique_ptr<app::Application> m_app;
    std::unique_ptr<CMainDlg> m_dialog;
    std::size_t m_startBoxes = 0;

private:
    std::string m_previousDirectory;
};

} // namespace vestiscop::ui::test
