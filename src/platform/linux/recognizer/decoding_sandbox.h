#pragma once

namespace dictation_agent {

// Confines the calling process, for the rest of its life, to what decoding needs once the model
// has loaded: reading and writing descriptors it already holds, managing memory, the clock and
// ending. Any other system call (opening a file, making a socket, starting a program) fails with
// EPERM. A model crafted to take over the decoder can then reach nothing but the agent's socket.
// False when the kernel refuses the filter; the process is then unconfined.
bool confineToDecoding();

}  // namespace dictation_agent
