// Ctrl-C during a call that waits on the network. Python's own SIGINT handler only marks the
// signal, which the interpreter sees once the call returns: after the receive time-out for a
// silent server, after the call ceiling for one that trickles. A handler put in front of it also
// tells the transport module to end the waiting call at once; the call then fails with its code,
// and the method raises KeyboardInterrupt.
#pragma once

namespace interruption {

// Finds the transport module beside the library at libraryPath. The handler goes in front of
// Python's only where Python's handler is the one installed.
void Install(const char* libraryPath);

// Before a method call: a Ctrl-C already raised in Python ends nothing more.
void Arm();

}  // namespace interruption
