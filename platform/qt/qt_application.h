// The start of a window program over the Qt backend, for entry points that include no Qt: the
// Qt application, Qt's own Chinese texts and the backend are made here, around the program.
#pragma once

#include <functional>

namespace platform {

// Runs `program` inside a Qt application made from the command line (Qt takes its own options
// out of argc and argv), with Qt's Chinese texts installed where the system has them and a
// QtBackend installed as the process's backend; the previous backend is put back afterwards.
// Returns what `program` returns. REQUIRES: no Qt application exists yet; `argc` and `argv`
// outlive the call.
int runQtApplication(int& argc, char** argv, const std::function<int()>& program);

}  // namespace platform
