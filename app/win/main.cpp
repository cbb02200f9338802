// hortivex-converter.exe: the converter's dialog as a native Windows program.
#include "app/win/Form1Win.h"
#include "app/win/WinFrontEnd.h"
#include "platform/Folders.h"
#include "platform/Services.h"

#include <commctrl.h>
#include <memory>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    using namespace hortivex;
    UseSystemFileNameEncoding();
    SetProcessDPIAware(); // lay out at the screen's own density instead of being stretched
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    auto messages = std::make_shared<WinMessages>();
    InstallMessages(messages);
    WinFileChooser chooser;
    TForm1 form(instance, chooser, *messages, CurrentSettingsStore(), ProgramFolder());
    chooser.SetOwner(form.Handle());
    messages->SetOwner(form.Handle());
    ShowWindow(form.Handle(), show);
    UpdateWindow(form.Handle());
    return TForm1::RunMessageLoop(form.Handle());
}
