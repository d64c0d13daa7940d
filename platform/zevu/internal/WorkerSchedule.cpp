#include "zevu/internal/WorkerSchedule.h"

#include "zevu/ZevuTestAPI.h"
#include "zevu/internal/Runtime.h"

namespace zevu::detail {

void WorkerSchedule::post(Task task) { postFor(generation(), std::move(task)); }

void WorkerSchedule::postAfter(double seconds, Task task, std::function<bool()> live, bool repeats) {
    const auto g = generation();
    WorkerLoop::Waiting waiting;
    waiting.repeats = repeats;
    waiting.live = [this, g, live = std::move(live)] { return isCurrent(g) && (!live || live()); };
    Runtime::get().sdk().postAfter(ZevuTestAPI::scaled(seconds), [this, g, task = std::move(task)] {
        if (isCurrent(g)) task();
    }, std::move(waiting));
}

void WorkerSchedule::postFor(std::uint64_t generation, Task task) {
    Runtime::get().sdk().post([this, generation, task = std::move(task)] {
        if (isCurrent(generation)) task();
    });
}

}  // namespace zevu::detail
