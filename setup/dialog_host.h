// Runs the properties dialog (or, in message mode, a message box) modally
// for one request of the installer or the driver.
//
// The process's QApplication is created here when the process has none; a
// process without a display gets no dialog at all, because creating the
// application there would abort the process.
#pragma once

#include <string>

#include "handles.h"

struct DialogRequest {
    const char* attributes = nullptr;  // attribute list, or the message text
    std::string driver_name;
    Connection* connection = nullptr;  // completion mode
    bool message_mode = false;
    bool adding = false;
    int result = 0;  // 0 after OK, 100 after Cancel (or the window closed)
};

// True when a Qt widget can be shown in this process: a QApplication exists,
// or none exists yet and the platform Qt would use can be opened (an X or
// Wayland display, or a platform that needs none, such as offscreen).
bool dialog_possible();

// Shows the request's dialog and waits for it. Returns false, showing
// nothing, when no dialog is possible.
bool run_dialog_host(DialogRequest& request);
