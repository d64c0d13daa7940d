#include "appkit/Storyboard.h"

#include <QApplication>

#include "appkit/ViewController.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "foundation/Log.h"

namespace morvex::appkit {

namespace {
std::map<std::string, std::unique_ptr<Storyboard>, std::less<>>& registry() {
    static std::map<std::string, std::unique_ptr<Storyboard>, std::less<>> storyboards;
    return storyboards;
}

// A window made for a view controller shown on its own.
Window* windowFor(ViewController* controller) {
    QSize size = controller->preferredContentSize();
    if (!size.isValid()) size = controller->view()->sizeHint().expandedTo(QSize(200, 100));
    auto* window = new Window(size);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->setContentViewController(controller);
    return window;
}
}  // namespace

StoryboardSegue::StoryboardSegue(std::string identifier, QObject* source, QObject* destination, SegueKind kind,
                                 Perform perform)
    : identifier_(std::move(identifier)), source_(source), destination_(destination), kind_(kind),
      perform_(std::move(perform)) {}

void StoryboardSegue::perform() {
    auto* sourceController = qobject_cast<ViewController*>(source_);
    auto* destinationController = qobject_cast<ViewController*>(destination_);
    auto* destinationWindowController = qobject_cast<WindowController*>(destination_);
    switch (kind_) {
    case SegueKind::Custom:
        if (perform_) perform_(*this);
        return;
    case SegueKind::Sheet:
        if (sourceController && destinationController && sourceController->presentAsSheet(destinationController)) return;
        break;
    case SegueKind::Modal:
        if (destinationController) {
            Window* window = windowFor(destinationController);
            window->setWindowModality(Qt::ApplicationModal);
            window->show();
            return;
        }
        if (destinationWindowController) {
            destinationWindowController->setParent(qApp);
            destinationWindowController->window()->setWindowModality(Qt::ApplicationModal);
            destinationWindowController->showWindow();
            return;
        }
        break;
    case SegueKind::Show:
        if (destinationWindowController) {
            destinationWindowController->setParent(qApp);
            destinationWindowController->showWindow();
            return;
        }
        if (destinationController) {
            windowFor(destinationController)->show();
            return;
        }
        break;
    }
    log::nslog("Storyboard: segue \"" + identifier_ + "\" cannot present its destination");
    delete destination_;
    destination_ = nullptr;
}

Storyboard& Storyboard::define(std::string_view name) {
    auto& storyboards = registry();
    auto it = storyboards.find(name);
    if (it == storyboards.end())
        it = storyboards.emplace(std::string(name), std::unique_ptr<Storyboard>(new Storyboard(std::string(name)))).first;
    return *it->second;
}

Storyboard* Storyboard::named(std::string_view name) {
    auto& storyboards = registry();
    auto it = storyboards.find(name);
    return it == storyboards.end() ? nullptr : it->second.get();
}

std::vector<std::string> Storyboard::names() {
    std::vector<std::string> out;
    for (const auto& [name, board] : registry()) out.push_back(name);
    return out;
}

Storyboard& Storyboard::scene(std::string identifier, Factory factory, std::string windowContent) {
    Scene& scene = scenes_[std::move(identifier)];
    scene.factory = std::move(factory);
    scene.windowContent = std::move(windowContent);
    ++scene.registrations;
    return *this;
}

Storyboard& Storyboard::initial(std::string identifier) {
    initial_ = std::move(identifier);
    return *this;
}

Storyboard& Storyboard::segue(std::string source, std::string identifier, std::string destination, SegueKind kind,
                              StoryboardSegue::Perform perform) {
    segues_[{std::move(source), std::move(identifier)}] = Segue{std::move(destination), kind, std::move(perform)};
    return *this;
}

std::vector<std::string> Storyboard::identifiers() const {
    std::vector<std::string> out;
    for (const auto& [id, scene] : scenes_) out.push_back(id);
    return out;
}

bool Storyboard::hasScene(std::string_view identifier) const { return scenes_.find(identifier) != scenes_.end(); }

int Storyboard::registrations(std::string_view identifier) const {
    auto it = scenes_.find(identifier);
    return it == scenes_.end() ? 0 : it->second.registrations;
}

namespace {
Storyboard::InstantiationObserver& instantiationObserver() {
    static Storyboard::InstantiationObserver observer;
    return observer;
}
}  // namespace

void Storyboard::setInstantiationObserver(InstantiationObserver observer) { instantiationObserver() = std::move(observer); }

QObject* Storyboard::instantiateController(std::string_view identifier) const {
    auto it = scenes_.find(identifier);
    if (it == scenes_.end() || !it->second.factory) return nullptr;
    QObject* made = it->second.factory();
    auto* self = const_cast<Storyboard*>(this);
    if (auto* vc = qobject_cast<ViewController*>(made)) vc->setStoryboardScene(self, std::string(identifier));
    else if (auto* wc = qobject_cast<WindowController*>(made)) wc->setStoryboardScene(self, std::string(identifier));
    if (made && instantiationObserver()) instantiationObserver()(*this, identifier, made);
    return made;
}

QObject* Storyboard::instantiateInitialController() const {
    return initial_.empty() ? nullptr : instantiateController(initial_);
}

std::string Storyboard::windowContentOf(std::string_view identifier) const {
    auto it = scenes_.find(identifier);
    return it == scenes_.end() ? std::string() : it->second.windowContent;
}

std::unique_ptr<StoryboardSegue> Storyboard::makeSegue(QObject* source, std::string_view sourceIdentifier,
                                                       std::string_view identifier) const {
    auto it = segues_.find({std::string(sourceIdentifier), std::string(identifier)});
    if (it == segues_.end()) return nullptr;
    QObject* destination = instantiateController(it->second.destination);
    if (!destination) {
        log::nslog("Storyboard: segue \"" + std::string(identifier) + "\" names the missing scene \"" +
                   it->second.destination + "\"");
        return nullptr;
    }
    return std::make_unique<StoryboardSegue>(std::string(identifier), source, destination, it->second.kind,
                                             it->second.perform);
}

}  // namespace morvex::appkit
