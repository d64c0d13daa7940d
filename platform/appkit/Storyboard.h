#pragma once
// Storyboards by name: each is a registry of scenes (a controller made by identifier), the
// window-content relationship of window-controller scenes, the initial scene, and segues by
// identifier from one scene to another. Screens open each other by identifier and never
// construct one another; the program registers its storyboards once at start, before any screen
// is made, and `names()` / `identifiers()` let a test check that every identifier a screen uses
// is there.
//
// Threads: registration and instantiation on the main thread.
#include <QObject>
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::appkit {

class ViewController;
class WindowController;

enum class SegueKind {
    Show,    // a window controller's window is shown; a view controller gets a window of its own
    Sheet,   // the destination is presented as a sheet on the source's window
    Modal,   // the destination is shown in an application-modal window
    Custom,  // the segue's own perform function presents it
};

class StoryboardSegue {
public:
    using Perform = std::function<void(StoryboardSegue&)>;
    StoryboardSegue(std::string identifier, QObject* source, QObject* destination, SegueKind kind, Perform perform);

    const std::string& identifier() const { return identifier_; }
    QObject* sourceController() const { return source_; }
    QObject* destinationController() const { return destination_; }
    SegueKind kind() const { return kind_; }
    // Presents the destination as the kind says; the destination is owned by whoever shows it.
    void perform();

private:
    std::string identifier_;
    QObject* source_;
    QObject* destination_;
    SegueKind kind_;
    Perform perform_;
};

class Storyboard {
public:
    using Factory = std::function<QObject*()>;

    // The storyboard of that name, made empty on first use (registration goes through it).
    static Storyboard& define(std::string_view name);
    // The storyboard of that name; null when none was defined.
    static Storyboard* named(std::string_view name);
    static std::vector<std::string> names();
    // Hears each controller any storyboard makes, with its storyboard and scene (a test follows
    // which scenes a click path opened); empty to stop.
    using InstantiationObserver = std::function<void(const Storyboard&, std::string_view identifier, QObject* made)>;
    static void setInstantiationObserver(InstantiationObserver observer);

    const std::string& name() const { return name_; }

    // A scene: the factory makes a ViewController or a WindowController. For a window controller,
    // `windowContent` names the scene that fills its window.
    Storyboard& scene(std::string identifier, Factory factory, std::string windowContent = {});
    Storyboard& initial(std::string identifier);
    // A segue from the scene `source` to the scene `destination`.
    Storyboard& segue(std::string source, std::string identifier, std::string destination, SegueKind kind,
                      StoryboardSegue::Perform perform = {});

    std::vector<std::string> identifiers() const;
    bool hasScene(std::string_view identifier) const;
    // How many times the scene was registered (a later registration replaces the earlier one), so
    // a test can tell a scene that two registrations both claim.
    int registrations(std::string_view identifier) const;

    // A new controller of the scene, or null when there is no such scene. The caller owns it.
    QObject* instantiateController(std::string_view identifier) const;
    QObject* instantiateInitialController() const;
    // The scene of a window controller's content, or empty.
    std::string windowContentOf(std::string_view identifier) const;

    // A segue from the source controller's scene, with its destination made; null when none.
    std::unique_ptr<StoryboardSegue> makeSegue(QObject* source, std::string_view sourceIdentifier,
                                               std::string_view identifier) const;

private:
    explicit Storyboard(std::string name) : name_(std::move(name)) {}
    struct Scene {
        Factory factory;
        std::string windowContent;
        int registrations = 0;
    };
    struct Segue {
        std::string destination;
        SegueKind kind;
        StoryboardSegue::Perform perform;
    };
    std::string name_;
    std::map<std::string, Scene, std::less<>> scenes_;
    std::map<std::pair<std::string, std::string>, Segue> segues_;
    std::string initial_;
};

}  // namespace morvex::appkit
