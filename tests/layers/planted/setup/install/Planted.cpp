// A file of the install stage that reaches up into the worker, which the
// include check must name (host.layers.planted_back_arrow). Never built.
#include "worker/InstallRun.h"
