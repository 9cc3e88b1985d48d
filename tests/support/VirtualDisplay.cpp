#include "tests/support/VirtualDisplay.h"

namespace qvutest {

VirtualDisplay::VirtualDisplay(int dotsPerInch)
    // -displayfd 1: the server picks a free display and writes its number
    // to standard output once it accepts clients.
    : server_({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-dpi",
               std::to_string(dotsPerInch), "-nolisten", "tcp"}) {
    if (server_.FirstLine().empty())
        return;
    name_ = ":" + server_.FirstLine();
    environment_.Set("DISPLAY", name_);
    environment_.Unset("WAYLAND_DISPLAY");
    // The toolkit's accessibility bus and a desktop session are not there.
    environment_.Set("NO_AT_BRIDGE", "1");
    environment_.Set("GDK_BACKEND", "x11");
}

} // namespace qvutest
