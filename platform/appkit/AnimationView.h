#pragma once
// Lottie animations rendered by rlottie.
//
// - LottieAnimation: one animation of the bundle (foundation's animationNamed:
//   Resources/Animations/<name>.json), loaded once and shared through a cache; a missing or
//   unreadable one gives null and one console line.
// - AnimationPlayer: the plain object that plays one: play once or loop, a completion that hears
//   `true` when a play-once run reached its end and `false` when the run was superseded (another
//   play, stop, a new animation) — never both, never twice. Time moves only through advance().
// - AnimationView: a thin widget that advances its player with a timer and paints the frame;
//   without an animation it paints a crossed-out box so the gap shows. Its timer runs only while
//   the view is visible on a shown, unminimised window: a loop waits where it is while nobody can
//   see it, and a play-once run that starts or is running while the view is hidden ends at once
//   (its completion hears true), so what follows it is not held up by a window in the tray.
//   A loop's frames are drawn once and kept while it plays; repaints cover the frame's area only,
//   and a still stretch of a loop (frames with the same pixels) repaints nothing and lets the
//   timer sleep until the frame that differs.
//
// Threads: main thread.
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Bundle.h"

class QPainter;
class QTimer;

namespace rlottie {
class Animation;
}

namespace morvex::appkit {

class LottieAnimation {
public:
    ~LottieAnimation();
    // The named animation of the bundle; null when there is none or it does not parse.
    static std::shared_ptr<LottieAnimation> animationNamed(std::string_view name, const Bundle& bundle = Bundle::main());
    // An animation from its JSON text; null when it does not parse.
    static std::shared_ptr<LottieAnimation> fromData(std::string json, const std::string& cacheKey);

    std::size_t totalFrames() const { return totalFrames_; }
    double frameRate() const { return frameRate_; }
    double duration() const;
    QSize size() const { return size_; }

    // The frame drawn into an image of `size` pixels, aspect ratio kept.
    QImage render(std::size_t frame, QSize size) const;

private:
    explicit LottieAnimation(std::unique_ptr<rlottie::Animation> animation);
    std::unique_ptr<rlottie::Animation> animation_;
    std::size_t totalFrames_ = 0;
    double frameRate_ = 0;
    QSize size_;
    mutable std::mutex renderMutex_;
};

enum class LoopMode { PlayOnce, Loop };
enum class ContentMode { ScaleAspectFit, ScaleAspectFill, ScaleToFill };

class AnimationPlayer {
public:
    using Completion = std::function<void(bool finished)>;

    void setAnimation(std::shared_ptr<LottieAnimation> animation);
    const std::shared_ptr<LottieAnimation>& animation() const { return animation_; }
    void setLoopMode(LoopMode mode) { loopMode_ = mode; }
    LoopMode loopMode() const { return loopMode_; }

    // Plays from the first frame. A run in progress is superseded (its completion hears false).
    // Without an animation the completion hears false at once.
    void play(Completion completion = {});
    // Ends a run (completion false) and goes back to the first frame.
    void stop();
    bool isPlaying() const { return playing_; }

    // Moves the clock on; true when the frame shown changed.
    bool advance(double seconds);
    double progress() const;  // 0…1 through the animation
    std::size_t currentFrame() const;

    void paint(QPainter& painter, const QRectF& bounds, ContentMode mode) const;
    // Where paint() draws the frame inside `bounds` (the whole of it without an animation).
    QRectF frameRect(const QRectF& bounds, ContentMode mode) const;
    // Ends a play-once run as if its time had run out (completion true); nothing for a loop.
    void finish();
    // The frames a loop keeps (0 while none are kept); for the benchmarks and the tests.
    std::size_t keptFrames() const;
    // Whether frames `a` and `b` of a loop show the same pixels, as far as its kept frames tell
    // (false when not known).
    bool showsSameImage(std::size_t a, std::size_t b) const;
    // Lets the kept frames go (a hidden view holds none); they are drawn again when next shown.
    void releaseFrames();
    // How long the image shown now stays as it is, in seconds, as far as a loop's kept frames
    // tell: the start of its still stretch's next differing frame; 0 when not known.
    double secondsUntilImageChanges() const;

private:
    void supersede();
    const QImage& frameImage(std::size_t frame, QSize pixels, qreal ratio) const;
    // Every how many frames a loop shown at `pixels` keeps one.
    std::size_t loopStep(QSize pixels) const;

    std::shared_ptr<LottieAnimation> animation_;
    LoopMode loopMode_ = LoopMode::PlayOnce;
    bool playing_ = false;
    double time_ = 0;  // seconds into the animation
    Completion completion_;
    mutable QImage cache_;
    mutable std::size_t cachedFrame_ = static_cast<std::size_t>(-1);
    // A loop's frames, drawn once at one size; a frame equal to the one before shares its pixels.
    mutable std::vector<QImage> frames_;
    mutable QSize framesSize_;
};

class AnimationView : public QWidget {
    Q_OBJECT
public:
    explicit AnimationView(QWidget* parent = nullptr);
    ~AnimationView() override;

    // Null shows the placeholder (as for a missing animation).
    void setAnimation(std::shared_ptr<LottieAnimation> animation);
    std::shared_ptr<LottieAnimation> animation() const { return player_.animation(); }

    void setContentMode(ContentMode mode);
    ContentMode contentMode() const { return contentMode_; }
    void setLoopMode(LoopMode mode) { player_.setLoopMode(mode); }
    LoopMode loopMode() const { return player_.loopMode(); }

    void play(AnimationPlayer::Completion completion = {});
    void stop();
    bool isAnimationPlaying() const { return player_.isPlaying(); }

    AnimationPlayer& player() { return player_; }
    QSize sizeHint() const override;

    // True while the view can be seen: visible, on a shown window that is not minimised.
    bool isOnScreen() const;
    bool isTimerRunning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void tick();
    // Starts or stops the timer for what the view plays and whether it can be seen.
    void syncTimer();
    // Waits for the next frame, or through a still stretch to the frame that differs.
    void scheduleTick();
    void watchWindow();
    void windowStateChanged();
    // Repaints the frame's area; `now` paints it at once rather than with the next update pass.
    void updateFrame(bool now = false);

    AnimationPlayer player_;
    ContentMode contentMode_ = ContentMode::ScaleAspectFit;
    QTimer* timer_;
    int frameInterval_ = 33;  // milliseconds between frames while the image moves
    QElapsedTimer clock_;
    QPointer<QWidget> watchedWindow_;
};

}  // namespace morvex::appkit
