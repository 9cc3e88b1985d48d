// The update manager's program: one update run at the console. The exit
// status tells a calling script how the run ended.
#include "app/QVUUpdateApp.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "platform/sync.h"

namespace {

constexpr int kInstallerStarted = 0;
constexpr int kEndedByUser = 1;
constexpr int kRefused = 2;

int ExitStatus(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::InstallerStarted:
        return kInstallerStarted;
    case RunOutcome::EndedByUser:
        return kEndedByUser;
    case RunOutcome::Refused:
    case RunOutcome::InstallerNotStarted:
        break;
    }
    return kRefused;
}

} // namespace

int main(int argc, char** argv) {
    // "--console" names the only front end there is; as text the switches do
    // not know, it changes nothing else.
    CQVUUpdateApp app(RunningProgramPath());
    ConsoleFrontEnd frontEnd;
    app.InitInstance(JoinArguments(argc, argv), frontEnd);
    // A download cancelled by the user may still be at work: the process ends
    // around it, as it does on Windows, instead of tearing down the libraries
    // it uses.
    ExitProcess(static_cast<UINT>(ExitStatus(app.Outcome())));
}
