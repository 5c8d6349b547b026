// vestiscop: the windowed program. It works in the directory it is started
// in, which holds vestiscop.cfg, the data files and the log; the desktop
// entry's launcher starts it in the user's data directory.

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/AppIcon.h"
#include "ui/QtWindowingServices.h"
#include "ui/WindowedProgram.h"

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

int main(int argc, char* argv[])
{
    // Without a desktop the toolkit would abort with a message of its own;
    // say plainly what is missing and end with a status scripts can test.
    if (!isSet("QT_QPA_PLATFORM") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        std::fputs("Vestiscop potřebuje grafické prostředí (není nastaveno DISPLAY ani WAYLAND_DISPLAY).\n"
                   "Bez něj lze použít program vestiscop-cli.\n",
                   stderr);
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
    return vestiscop::ui::runWindowedProgram(services);
}
