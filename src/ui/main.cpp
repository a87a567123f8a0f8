// The program: creates Form1 over the real registry and runs the message loop until the window is
// closed. Takes no command line.

#include <windows.h>

#include "DllSearch.h"
#include "registry/RegistryMod.h"
#include "registry/Win32Registry.h"
#include "ui/Form1.h"
#include "ui/MessageLoop.h"
#include "ui/StartupTimeline.h"

// The parameter names are those of the declaration in <winbase.h>.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/,
                   int nShowCmd) {
    corvelle::LoadDllsFromSystemFolderOnly();
    corvelle::ui::StartupTimeline timeline = corvelle::ui::StartupTimeline::FromEnvironment();
    timeline.Mark(corvelle::ui::StartupMoment::kWinMain);
    corvelle::registry::Win32Registry api;
    const corvelle::registry::RegistryMod registry(api);
    corvelle::ui::Form1 form(registry);
    if (!form.Create(hInstance, nShowCmd, &timeline)) {
        return 1;
    }
    timeline.Report();
    return corvelle::ui::RunMessageLoop(form);
}
