#pragma once

#include "platform/ui_queue.h"

namespace vellum {

// Makes `queue` the one MainThreadUiQueue() answers: the Linux runtime installs its main
// loop's queue before anything asks for it. Without one, MainThreadUiQueue() is a queue that
// whoever treats their thread as the user-interface thread pumps, as the native tests do.
void InstallMainThreadUiQueue(IUiQueue& queue);

}  // namespace vellum
