#include "appkit/AnimationView.h"

#include <QPaintDevice>
#include <QPainter>
#include <QShowEvent>
#include <QHideEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>
#include <rlottie.h>
#include <set>

#include "appkit/Images.h"
#include "foundation/BundleResources.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace morvex::appkit {

namespace {
struct Cache {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<LottieAnimation>> loaded;
    std::set<std::string> reported;
};
Cache& cache() {
    static Cache c;
    return c;
}

// A loop plays at no more than this many frames a second, and keeps no more than this many bytes of
// frames (it skips frames evenly beyond that): a soft loop looks the same, and costs half.
constexpr double kLoopFramesPerSecond = 30;
constexpr std::size_t kLoopFrameBudget = std::size_t(12) << 20;

QSizeF fitted(QSizeF content, QSizeF bounds, bool fill) {
    if (content.isEmpty()) return bounds;
    return content.scaled(bounds, fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
}
}  // namespace

LottieAnimation::LottieAnimation(std::unique_ptr<rlottie::Animation> animation) : animation_(std::move(animation)) {
    totalFrames_ = animation_->totalFrame();
    frameRate_ = animation_->frameRate();
    std::size_t w = 0, h = 0;
    animation_->size(w, h);
    size_ = QSize(int(w), int(h));
}

LottieAnimation::~LottieAnimation() = default;

double LottieAnimation::duration() const { return frameRate_ > 0 ? double(totalFrames_) / frameRate_ : 0; }

std::shared_ptr<LottieAnimation> LottieAnimation::fromData(std::string json, const std::string& cacheKey) {
    auto animation = rlottie::Animation::loadFromData(std::move(json), cacheKey, std::string(), false);
    if (!animation || animation->totalFrame() == 0) return nullptr;
    return std::shared_ptr<LottieAnimation>(new LottieAnimation(std::move(animation)));
}

std::shared_ptr<LottieAnimation> LottieAnimation::animationNamed(std::string_view name, const Bundle& bundle) {
    auto& c = cache();
    auto path = name.empty() ? std::nullopt : morvex::animationNamed(name, bundle);
    const std::string key = path ? path->string() : std::string();
    {
        std::lock_guard lock(c.mutex);
        if (path) {
            if (auto it = c.loaded.find(key); it != c.loaded.end()) return it->second;
        }
    }
    std::shared_ptr<LottieAnimation> made;
    if (path) {
        if (auto text = paths::readFile(*path)) made = fromData(std::move(*text), key);
    }
    std::lock_guard lock(c.mutex);
    if (made) {
        c.loaded.emplace(key, made);
        return made;
    }
    if (c.reported.emplace(std::string(name)).second)
        log::nslog("Animations: no readable animation named \"" + std::string(name) + "\" in " +
                   bundle.resourcePath().string());
    return nullptr;
}

QImage LottieAnimation::render(std::size_t frame, QSize size) const {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    rlottie::Surface surface(reinterpret_cast<uint32_t*>(image.bits()), std::size_t(size.width()),
                             std::size_t(size.height()), std::size_t(image.bytesPerLine()));
    std::lock_guard lock(renderMutex_);
    animation_->renderSync(std::min(frame, totalFrames_ ? totalFrames_ - 1 : 0), surface, false);
    return image;
}

void AnimationPlayer::setAnimation(std::shared_ptr<LottieAnimation> animation) {
    if (animation == animation_) return;
    supersede();
    animation_ = std::move(animation);
    time_ = 0;
    cachedFrame_ = static_cast<std::size_t>(-1);
    cache_ = {};
    frames_.clear();
    frames_.shrink_to_fit();
    framesSize_ = {};
}

void AnimationPlayer::supersede() {
    playing_ = false;
    if (auto c = std::exchange(completion_, {})) c(false);
}

void AnimationPlayer::play(Completion completion) {
    supersede();
    time_ = 0;
    if (!animation_) {
        if (completion) completion(false);
        return;
    }
    playing_ = true;
    completion_ = std::move(completion);
}

void AnimationPlayer::stop() {
    supersede();
    time_ = 0;
}

std::size_t AnimationPlayer::keptFrames() const {
    return std::size_t(std::count_if(frames_.begin(), frames_.end(), [](const QImage& f) { return !f.isNull(); }));
}

void AnimationPlayer::releaseFrames() {
    frames_.clear();
    frames_.shrink_to_fit();
    framesSize_ = {};
    cache_ = {};
    cachedFrame_ = static_cast<std::size_t>(-1);
}

void AnimationPlayer::finish() {
    if (!playing_ || !animation_ || loopMode_ == LoopMode::Loop) return;
    advance(std::max(animation_->duration(), 0.0) + 1.0);
}

bool AnimationPlayer::advance(double seconds) {
    if (!playing_ || !animation_) return false;
    const std::size_t before = currentFrame();
    const double duration = animation_->duration();
    time_ += std::max(0.0, seconds);
    if (duration <= 0) {
        time_ = 0;
    } else if (time_ >= duration) {
        if (loopMode_ == LoopMode::Loop) {
            time_ = std::fmod(time_, duration);
        } else {
            time_ = duration;
            playing_ = false;
            if (auto c = std::exchange(completion_, {})) c(true);
            return true;
        }
    }
    return currentFrame() != before;
}

double AnimationPlayer::progress() const {
    if (!animation_ || animation_->duration() <= 0) return 0;
    return std::clamp(time_ / animation_->duration(), 0.0, 1.0);
}

std::size_t AnimationPlayer::currentFrame() const {
    if (!animation_ || animation_->totalFrames() == 0) return 0;
    const auto last = animation_->totalFrames() - 1;
    return std::min(last, static_cast<std::size_t>(time_ * animation_->frameRate()));
}

QRectF AnimationPlayer::frameRect(const QRectF& bounds, ContentMode mode) const {
    if (!animation_) return bounds;
    QSizeF target = bounds.size();
    if (mode != ContentMode::ScaleToFill) target = fitted(QSizeF(animation_->size()), bounds.size(), mode == ContentMode::ScaleAspectFill);
    QRectF rect(QPointF(0, 0), target);
    rect.moveCenter(bounds.center());
    return rect.intersected(bounds);
}

std::size_t AnimationPlayer::loopStep(QSize pixels) const {
    const std::size_t total = std::max<std::size_t>(animation_->totalFrames(), 1);
    std::size_t step = std::max<std::size_t>(1, std::size_t(std::ceil(animation_->frameRate() / kLoopFramesPerSecond)));
    const std::size_t frameBytes = std::size_t(std::max(pixels.width(), 1)) * std::size_t(std::max(pixels.height(), 1)) * 4;
    while (step < total && (total / step) * frameBytes > kLoopFrameBudget) ++step;
    return step;
}

bool AnimationPlayer::showsSameImage(std::size_t a, std::size_t b) const {
    if (a == b) return true;
    if (loopMode_ != LoopMode::Loop || !animation_ || frames_.empty()) return false;
    const std::size_t step = loopStep(framesSize_);
    const std::size_t slotA = std::min(frames_.size() - 1, a / step * step);
    const std::size_t slotB = std::min(frames_.size() - 1, b / step * step);
    if (slotA == slotB) return true;
    const QImage& imageA = frames_[slotA];
    return !imageA.isNull() && imageA.cacheKey() == frames_[slotB].cacheKey();
}

const QImage& AnimationPlayer::frameImage(std::size_t frame, QSize pixels, qreal ratio) const {
    if (loopMode_ != LoopMode::Loop) {
        if (frame != cachedFrame_ || cache_.size() != pixels) {
            cache_ = animation_->render(frame, pixels);
            cache_.setDevicePixelRatio(ratio);
            cachedFrame_ = frame;
        }
        return cache_;
    }
    // A loop keeps every frame it shows, at the size it is shown; another size starts again.
    const std::size_t total = std::max<std::size_t>(animation_->totalFrames(), 1);
    if (framesSize_ != pixels || frames_.size() != total) {
        frames_.assign(total, QImage());
        framesSize_ = pixels;
    }
    const std::size_t step = loopStep(pixels);
    const std::size_t shown = std::min(total - 1, frame / step * step);
    QImage& slot = frames_[shown];
    if (slot.isNull()) {
        slot = animation_->render(shown, pixels);
        slot.setDevicePixelRatio(ratio);
        // Still stretches of a loop hold the same pixels once.
        if (shown >= step && !frames_[shown - step].isNull() && frames_[shown - step] == slot) slot = frames_[shown - step];
        // A loop that ends on the picture it starts with rests across the wrap: the end's still
        // stretch shares the first frame's pixels too.
        const std::size_t last = (total - 1) / step * step;
        const QImage& first = frames_[0];
        const QImage& end = frames_[last];
        if ((shown == 0 || shown == last) && last != 0 && !first.isNull() && !end.isNull() &&
            first.cacheKey() != end.cacheKey() && first == end) {
            const qint64 stretch = end.cacheKey();
            for (std::size_t i = 1; i < total; ++i)
                if (!frames_[i].isNull() && frames_[i].cacheKey() == stretch) frames_[i] = first;
        }
    }
    return frames_[shown];
}

double AnimationPlayer::secondsUntilImageChanges() const {
    if (!playing_ || loopMode_ != LoopMode::Loop || !animation_ || frames_.empty() || animation_->frameRate() <= 0) return 0;
    const std::size_t total = frames_.size();
    const std::size_t step = loopStep(framesSize_);
    const std::size_t slot = std::min(total - 1, currentFrame() / step * step);
    const qint64 shown = frames_[slot].cacheKey();
    if (frames_[slot].isNull()) return 0;
    // The kept frames after this one, round the loop: the first that is not drawn yet or shows
    // other pixels is when the image may change (a loop that never changes: one round).
    double round = 0;
    std::size_t next = slot;
    for (;;) {
        next += step;
        if (next >= total) {
            next = 0;
            round += animation_->duration();
        }
        const QImage& image = frames_[next];
        if (next == slot || image.isNull() || image.cacheKey() != shown)
            return std::max(0.0, round + double(next) / animation_->frameRate() - time_);
    }
}

void AnimationPlayer::paint(QPainter& painter, const QRectF& bounds, ContentMode mode) const {
    if (bounds.isEmpty()) return;
    if (!animation_) {
        const qreal side = std::min(bounds.width(), bounds.height());
        QRectF box(0, 0, side, side);
        box.moveCenter(bounds.center());
        painter.drawPixmap(box.toAlignedRect(), missingImage(box.size().toSize()));
        return;
    }
    QSizeF target = bounds.size();
    if (mode != ContentMode::ScaleToFill) target = fitted(QSizeF(animation_->size()), bounds.size(), mode == ContentMode::ScaleAspectFill);
    QRectF rect(QPointF(0, 0), target);
    rect.moveCenter(bounds.center());
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (target * ratio).toSize();
    const QImage& image = frameImage(currentFrame(), pixels, ratio);
    painter.save();
    // The frame was drawn at the size it is shown: put it on whole device pixels and copy it
    // unscaled, which is a plain blit. A scaled or fractional draw goes through the
    // transforming fill, which spreads each frame over the worker threads and wakes them all.
    const QPointF topLeft(std::round(rect.left() * ratio) / ratio, std::round(rect.top() * ratio) / ratio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!bounds.contains(QRectF(topLeft, target))) painter.setClipRect(bounds);
    painter.drawImage(topLeft, image);
    painter.restore();
}

AnimationView::AnimationView(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    timer_->setTimerType(Qt::CoarseTimer);
    connect(timer_, &QTimer::timeout, this, &AnimationView::tick);
}

AnimationView::~AnimationView() {
    // A run that the view takes with it is superseded, as a newer one would.
    player_.stop();
}

bool AnimationView::isOnScreen() const {
    if (!isVisible()) return false;
    const QWidget* top = window();
    return top && !top->isMinimized();
}

bool AnimationView::isTimerRunning() const { return timer_->isActive(); }

void AnimationView::setAnimation(std::shared_ptr<LottieAnimation> animation) {
    timer_->stop();
    player_.setAnimation(std::move(animation));
    update();
}

void AnimationView::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    update();
}

void AnimationView::play(AnimationPlayer::Completion completion) {
    player_.play(std::move(completion));
    updateFrame();
    // Nobody sees a run on a hidden view: one that ends by itself ends now (its completion may
    // start the next, which comes back through here).
    if (player_.isPlaying() && !isOnScreen() && player_.loopMode() == LoopMode::PlayOnce) player_.finish();
    syncTimer();
}

void AnimationView::stop() {
    timer_->stop();
    player_.stop();
    updateFrame();
}

void AnimationView::syncTimer() {
    const bool run = player_.isPlaying() && isOnScreen();
    if (!run) {
        timer_->stop();
        return;
    }
    if (timer_->isActive()) return;
    double rate = player_.animation() ? player_.animation()->frameRate() : 0;
    if (player_.loopMode() == LoopMode::Loop) rate = std::min(rate, kLoopFramesPerSecond);
    frameInterval_ = rate > 0 ? std::max(8, int(1000.0 / rate)) : 33;
    clock_.restart();
    scheduleTick();
}

void AnimationView::scheduleTick() {
    // Through a still stretch the timer sleeps until the frame that differs: every tick in it
    // would find nothing to draw.
    const double still = player_.secondsUntilImageChanges();
    const int wait = std::max(frameInterval_, int(std::ceil(still * 1000.0)));
    if (!timer_->isActive() || timer_->interval() != wait) timer_->start(wait);
}

void AnimationView::watchWindow() {
    QWidget* top = window();
    if (top == watchedWindow_) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    if (top && top != this) top->installEventFilter(this);
}

void AnimationView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    watchWindow();
    syncTimer();
}

void AnimationView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (player_.isPlaying() && player_.loopMode() == LoopMode::PlayOnce) player_.finish();
    syncTimer();
    player_.releaseFrames();
}

void AnimationView::windowStateChanged() {
    if (player_.isPlaying() && !isOnScreen() && player_.loopMode() == LoopMode::PlayOnce) player_.finish();
    syncTimer();
}

bool AnimationView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) windowStateChanged();
    return QWidget::eventFilter(watched, event);
}

void AnimationView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) windowStateChanged();  // the view is its own window
}

void AnimationView::updateFrame(bool now) {
    const QRect area = player_.frameRect(QRectF(rect()), contentMode_).toAlignedRect();
    if (now) repaint(area);
    else update(area);
}

void AnimationView::tick() {
    if (!isOnScreen()) {
        timer_->stop();
        return;
    }
    const double elapsed = double(clock_.restart()) / 1000.0;
    const auto animation = player_.animation();
    const std::size_t before = player_.currentFrame();
    // A completion may start the next run (through play(), which keeps the timer going). A still
    // stretch of a loop shows the same pixels frame after frame: nothing is repainted then.
    if (player_.advance(elapsed) &&
        (player_.animation() != animation || !player_.showsSameImage(before, player_.currentFrame())))
        updateFrame(true);
    if (!player_.isPlaying()) {
        timer_->stop();
        return;
    }
    scheduleTick();
}

QSize AnimationView::sizeHint() const {
    if (auto a = player_.animation(); a && !a->size().isEmpty()) return a->size();
    return QSize(64, 64);
}

void AnimationView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    player_.paint(painter, QRectF(rect()), contentMode_);
}

}  // namespace morvex::appkit
