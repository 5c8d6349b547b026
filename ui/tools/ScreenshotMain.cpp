// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop-screenshot: starts the window in a prepared directory, analyses
// one picture as if it had been dropped on the window, and saves a picture of
// the window. For the documentation (tools/screenshot.sh); never installed.
//
//   vestiscop-screenshot DIRECTORY IMAGE OUTPUT.png [VIEW-BUTTON-ID]
//
// Message boxes are printed to standard error instead of waiting for a click.

#include <cstdio>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QRadioButton>

#include "ui/AppIcon.h"
#include "ui/CMainDlg.h"
#include "ui/ControlIds.h"
#include "ui/MessageBoxNotifier.h"

namespace {

class PrintingServices : public vestiscop::ui::WindowingServices {
public:
    vestiscop::ui::MessageAnswer messageBox(QWidget*, const std::string& text, vestiscop::ui::MessageIcon,
                                            vestiscop::ui::MessageButtons) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return vestiscop::ui::MessageAnswer::No;
    }
    void questionBeep() override {}
    int runModal(QDialog&) override { return QDialog::Rejected; }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fputs("usage: vestiscop-screenshot DIRECTORY IMAGE OUTPUT.png [VIEW-BUTTON-ID]\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vestiscop"));
    QApplication::setWindowIcon(vestiscop::ui::appIcon());
    const std::string image = std::filesystem::absolute(argv[2]).string();
    const QString output = QString::fromLocal8Bit(std::filesystem::absolute(argv[3]).c_str());
    std::filesystem::current_path(argv[1]);

    PrintingServices services;
    vestiscop::ui::MessageBoxNotifier notifier(services);
    vestiscop::app::Application app(notifier);
    if (!app.start())
        return 1;
    vestiscop::ui::CMainDlg dialog(app, services);
    dialog.show();
    QApplication::processEvents();
    dialog.openDroppedFile(image);
    if (argc > 4) {
        if (auto* radio = vestiscop::ui::findControlAs<QRadioButton>(&dialog, std::stoi(argv[4])))
            radio->click();
    }
    QApplication::processEvents();
    if (!dialog.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
