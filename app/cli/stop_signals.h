// Stopping vkt53-cli from outside: Ctrl-C and SIGTERM (Ctrl-C and
// Ctrl-Break on Windows) only note that a stop was asked for. The table
// service sees it before its next request (ServiceUi::StopRequested), so a
// request under way is answered first and the command then ends with its
// report, a half-done write included.
#pragma once

namespace vkt53 {

// Installs the handlers; from then on those signals no longer end the
// program at once.
void CatchStopSignals();

// True once one of them came.
bool StopSignalled();

}  // namespace vkt53
