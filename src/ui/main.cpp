// The program: creates Form1 over the real registry and runs the message loop until the window is
// closed. Takes no command line.

#include <windows.h>

#include <objbase.h>

#include "registry/RegistryMod.h"
#include "registry/Win32Registry.h"
#include "ui/Form1.h"
#include "ui/MessageLoop.h"

namespace {

// The shell may use COM when it opens the toolbar page; it asks for a single-threaded apartment.
class ComApartment {
public:
    ComApartment()
        : initialised_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }

private:
    bool initialised_;
};

}  // namespace

// The parameter names are those of the declaration in <winbase.h>.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/,
                   int nShowCmd) {
    const ComApartment apartment;
    corvelle::registry::Win32Registry api;
    const corvelle::registry::RegistryMod registry(api);
    corvelle::ui::Form1 form(registry);
    if (!form.Create(hInstance, nShowCmd)) {
        return 1;
    }
    return corvelle::ui::RunMessageLoop(form);
}
