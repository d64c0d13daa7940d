#pragma once
// An analytics client that records what it is asked: events in order, identifications and super
// properties. Tests put it behind an EventTracker.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "state/EventTracker.h"

namespace morvex::test {

class RecordingTracking : public EventTracking {
public:
    bool useIP = true;  // as the analytics client starts
    std::vector<std::pair<std::string, Dictionary>> tracked;
    std::vector<Dictionary> registered;
    std::vector<std::pair<std::string, bool>> identified;

    bool useIPAddressForGeoLocation() const override { return useIP; }
    void setUseIPAddressForGeoLocation(bool use) override { useIP = use; }
    void track(const std::string& event, const Dictionary& properties) override { tracked.emplace_back(event, properties); }
    void identify(const std::string& id, bool usePeople, std::function<void()> completion) override {
        identified.emplace_back(id, usePeople);
        if (completion) completion();
    }
    void registerSuperProperties(const Dictionary& properties) override { registered.push_back(properties); }
    void time(const std::string&) override {}
    void clearSuperProperties() override {}
    void reset(std::function<void()> completion) override {
        if (completion) completion();
    }

    // The tracked events of one name, in order.
    std::vector<std::pair<std::string, Dictionary>> named(const std::string& event) const {
        std::vector<std::pair<std::string, Dictionary>> out;
        for (const auto& t : tracked)
            if (t.first == event) out.push_back(t);
        return out;
    }
    int count(const std::string& event) const {
        return static_cast<int>(std::count_if(tracked.begin(), tracked.end(), [&](const auto& t) { return t.first == event; }));
    }
    // Every super property registered so far, later values over earlier ones.
    Dictionary superProperties() const {
        Dictionary all;
        for (const auto& r : registered)
            for (const auto& [k, v] : r) all[k] = v;
        return all;
    }
};

}  // namespace morvex::test
