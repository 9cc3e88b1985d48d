#include "frontends/window/Toolkit.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

namespace {

class ToolkitApp : public wxApp {
public:
    bool OnInit() override {
        // The program icon is a PNG resource.
        wxImage::AddHandler(new wxPNGHandler);
        // The run decides when the program ends, not its last window.
        SetExitOnFrameDelete(false);
        return true;
    }
};

} // namespace

bool StartToolkit(const std::string& programName) {
    wxApp::SetInstance(new ToolkitApp());
    // The toolkit sees the program's name only: the command line is the run's.
    static std::string name;
    name = programName;
    static char* arguments[] = {name.data(), nullptr};
    static int count = 1;
    if (!wxEntryStart(count, arguments))
        return false;
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return false;
    }
    return true;
}

void RunToolkit() {
    wxTheApp->OnRun();
}

void StopToolkit() {
    wxEntryCleanup();
}
