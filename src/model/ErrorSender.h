#pragma once
// The error reporter the engine and the session carry along; nothing calls it yet.
namespace morvex {

struct ErrorSender {};

}  // namespace morvex
