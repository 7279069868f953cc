// The formatted buffers of a session, for viFlush.
#pragma once

#include "session.h"

namespace corvid::visa {

// Sends what the formatted write buffer holds (the caller holds its mutex).
ViStatus FlushWriteBuffer(Session& s);
// viFlush of the formatted buffers: VI_WRITE_BUF sends, VI_WRITE_BUF_DISCARD drops,
// VI_READ_BUF drops the read buffer after reading the rest of a message begun,
// VI_READ_BUF_DISCARD drops it.
ViStatus FlushFormattedBuffers(Session& s, ViUInt16 mask);

} // namespace corvid::visa
