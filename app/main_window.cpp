// SPDX-License-Identifier: GPL-3.0-or-later
// vestiscop [-C DIR] [FILE]: the windowed program. It works in its data
// directory (vestiscop.cfg, the data files and the log), chosen as the
// command-line program chooses it (app/DataDirectory.h); FILE, a BMP or PNG,
// is analysed as soon as the window is up, as if dropped on it.

#include <cstdio>

#include <optional>
#include <string>
#include <utility>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QFileInfo>
#include <QTranslator>

#include "app/DataDirectory.h"
#include "foundation/StringTable.h"
#include "ui/MessageBoxNotifier.h"

#include "ui/AppIcon.h"
#include "ui/QtWindowingServices.h"
#include "ui/WindowedProgram.h"

int main(int argc, char* argv[])
{
    // Without a desktop the toolkit would abort with a message of its own;
    // say plainly what is missing and end with a status scripts can test.
    vestiscop::foundation::Environment environment = vestiscop::foundation::Environment::read();
    if (!environment.desktop) {
        std::fprintf(stderr, "%s\n",
                     vestiscop::foundation::loadString(vestiscop::foundation::stringId::NoDesktop).c_str());
        return 3;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationName(QStringLiteral("Vestiscop"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vestiscop"));
    QApplication::setDesktopFileName(QStringLiteral("vestiscop"));
    QApplication::setWindowIcon(vestiscop::ui::appIcon());
    // The interface is Czech whatever the desktop's language: the toolkit's
    // own texts (standard buttons, the text fields' menus) too, when the
    // toolkit's Czech translations are installed.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);

    vestiscop::ui::QtWindowingServices services;
    // What the toolkit left of the command line: -C DIR and a file to open.
    const QStringList arguments = QApplication::arguments().mid(1);
    std::optional<std::string> dataDir;
    std::string file;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if ((arguments[i] == QLatin1String("-C") || arguments[i] == QLatin1String("--data-dir")) &&
            i + 1 < arguments.size())
            dataDir = arguments[++i].toStdString();
        else if (file.empty())
            // Named from where the program was started, before it enters its data directory.
            file = QFileInfo(arguments[i]).absoluteFilePath().toStdString();
    }
    if (const std::string failure = vestiscop::app::enterDataDirectory(dataDir, environment); !failure.empty()) {
        vestiscop::ui::MessageBoxNotifier(services).showMessage(failure, vestiscop::app::MessageIcon::Stop);
        return 1;
    }
    return vestiscop::ui::runWindowedProgram(services, file, std::move(environment));
}
