#pragma once
// The analytics client's file, apart from the file: a journal of text lines, so that queuing an
// event appends one line however many are queued.
//
//   MORVEX-ANALYTICS 1
//   E <event as a JSON object>     an event joins the end of the queue
//   R <count>                      the oldest <count> events left the queue (sent, or dropped)
//   I <JSON text>                  the distinct identifier
//   S <JSON object>                the super properties
//
// Files of the earlier form (one JSON object with "distinctId", "superProperties" and "queue") are
// read too. Reading never throws. A last line the file ends inside of (no line end) was cut off by a
// kill or a full disk and is left out quietly; any other line that does not read is damage, and
// reading stops there, keeping what came before. A queued entry that is not an event (an object
// whose "properties", when present, is an object) is left out and counted.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace morvex::analyticsfile {

inline constexpr std::string_view kMagic = "MORVEX-ANALYTICS 1\n";

struct Contents {
    std::string distinctId;
    nlohmann::json superProperties = nlohmann::json::object();
    std::deque<std::shared_ptr<const std::string>> events;  // each one's JSON text, oldest first
    std::size_t notEvents = 0;  // queued entries left out for not being events
    bool earlierForm = false;   // the file was a single JSON object
    bool tornTail = false;      // the file ends inside its last line
    std::string damage;         // why reading stopped early; empty when it did not
};

Contents read(std::string_view text);

// Lines to append, each with its line end.
std::string eventLine(std::string_view eventJson);
std::string removedLine(std::size_t count);
std::string identityLine(std::string_view distinctId);
std::string superPropertiesLine(const nlohmann::json& properties);

// JSON text for the file and for sending: text that is not UTF-8 gets replacement characters
// (event names and property texts come from anywhere; the serialiser would otherwise throw).
std::string dump(const nlohmann::json& j);

}  // namespace morvex::analyticsfile
