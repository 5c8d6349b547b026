#include "ui/WindowedProgram.h"

#include "app/Application.h"
#include "ui/CMainDlg.h"
#include "ui/MessageBoxNotifier.h"

namespace vestiscop::ui {

int runWindowedProgram(WindowingServices& services)
{
    MessageBoxNotifier notifier(services);
    app::Application application(notifier);
    if (!application.start())
        return 1;
    {
        CMainDlg dialog(application, services);
        notifier.setParent(&dialog);
        services.runModal(dialog);
        notifier.setParent(nullptr);
    }
    return 0;
}

} // namespace vestiscop::ui
