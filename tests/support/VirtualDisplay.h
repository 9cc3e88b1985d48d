// An X server of the test's own (Xvfb, 1280 x 1024) on a free display
// number, for windows under test: DISPLAY names it while the object lives,
// and no Wayland display is offered instead.
#pragma once

#include "tests/support/BackgroundProgram.h"
#include "tests/support/ScopedEnvironment.h"

#include <string>

namespace qvutest {

class VirtualDisplay {
public:
    // dotsPerInch: the screen's resolution as the X server reports it.
    explicit VirtualDisplay(int dotsPerInch = 96);

    bool Started() const { return !name_.empty(); }
    // ":N"; empty when the server did not start.
    const std::string& Name() const { return name_; }

private:
    BackgroundProgram server_;
    std::string name_;
    ScopedEnvironment environment_;
};

} // namespace qvutest
