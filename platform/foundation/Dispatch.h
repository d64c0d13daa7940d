#pragma once
// Work queues. The main queue runs blocks on the Qt event loop of the main thread; a serial queue
// is a worker thread that runs its blocks one at a time in the order they were queued.
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace morvex {

class DispatchQueue {
public:
    using Block = std::function<void()>;

    static DispatchQueue& main();
    // A serial queue with its own worker thread; the thread ends when the queue is destroyed
    // (after the blocks already queued have run).
    static std::shared_ptr<DispatchQueue> serial(std::string label);
    // Runs the block the first time the token is seen in this process and never again. Callers are
    // serialised by one process-wide lock (a block may itself call once with another token).
    static void once(const std::string& token, const Block& block);

    virtual ~DispatchQueue() = default;
    virtual void async(Block block) = 0;
    virtual void asyncAfter(double seconds, Block block) = 0;
    // Runs the block and waits for it; a block queued from the queue's own thread runs at once.
    virtual void sync(const Block& block) = 0;
    virtual bool isCurrent() const = 0;
    const std::string& label() const { return label_; }

    // Time of the main queue's delayed blocks (asyncAfter). Normally the wall clock; a test can hold
    // it, and then a delayed block waits until the test moves the clock past its due time, which
    // makes a screen's pause (a splash, a result line, a toast) a step the test takes instead of a
    // sleep. Main thread only.
    struct MainClock {
        // From now on delays are counted on the held clock (starting at 0); delays already waiting
        // on the wall clock stay there.
        static void hold();
        // Back to the wall clock; blocks still waiting on the held clock are dropped.
        static void release();
        static bool isHeld();
        // Moves the held clock forward and runs, in due order, each block that falls due (a block
        // queued by one of them runs too when it falls due within the step).
        static void advance(double seconds);
        // Seconds on the held clock since hold().
        static double now();
        // Blocks waiting on the held clock.
        static std::size_t pending();
    };

protected:
    explicit DispatchQueue(std::string label) : label_(std::move(label)) {}

private:
    std::string label_;
};

// Runs `block` once per token for the life of the process, whichever thread gets there first;
// the others wait until it has finished.
struct OnceToken {
    std::once_flag flag;
};
inline void dispatchOnce(OnceToken& token, const std::function<void()>& block) {
    std::call_once(token.flag, block);
}

}  // namespace morvex
