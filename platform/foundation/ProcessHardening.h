#pragma once
// What a program that talks to the privileged helper does for itself at its start. The helper
// checks the caller's program and process when the connection opens; afterwards nothing but the
// process itself should be able to act in it.
namespace morvex {

// Makes the process non-dumpable: no other process of the same user may attach to it with
// ptrace or read its memory, and it leaves no core file. Answers whether that took effect.
bool hardenProcess();

}  // namespace morvex
