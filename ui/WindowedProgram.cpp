// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowedProgram.h"

#include <utility>

#include <QTimer>

#include "app/Application.h"
#include "ui/CMainDlg.h"
#include "ui/MessageBoxNotifier.h"

namespace vestiscop::ui {

int runWindowedProgram(WindowingServices& services, const std::string& fileToOpen,
                       foundation::Environment environment)
{
    MessageBoxNotifier notifier(services);
    app::Application application(notifier, std::move(environment));
    if (!application.start())
        return 1;
    try {
        CMainDlg dialog(application, services);
        notifier.setParent(&dialog);
        if (!fileToOpen.empty())
            QTimer::singleShot(0, &dialog, [&dialog, fileToOpen] { dialog.openDroppedFile(fileToOpen); });
        services.runModal(dialog);
        notifier.setParent(nullptr);
    } catch (...) {
        // The dialog reports the failures of its commands itself; one that
        // escapes its construction ends the program as a start-up failure does.
        notifier.setParent(nullptr);
        application.reportCurrentException(app::MessageIcon::Stop);
        return 1;
    }
    return 0;
}

} // namespace vestiscop::ui
