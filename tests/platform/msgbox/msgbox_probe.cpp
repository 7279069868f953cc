// A module that shows a box, as the driver does inside a host program.
#include "platform/message_box.h"

extern "C" __attribute__((visibility("default"))) int ShowProbeBox() {
    return static_cast<int>(
        corvid::platform::ShowMessageBox("from the module", "Probe", corvid::platform::MsgButtons::YesNo));
}
