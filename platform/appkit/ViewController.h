#pragma once
// A controller of one view: the view is made on first use (loadView, then viewDidLoad) and hears
// when it appears and disappears in a window. A controller made from a storyboard knows its
// storyboard and identifier, performs that storyboard's segues, and presents other controllers as
// sheets on its window.
//
// Threads: main thread only. Lifetime: the controller owns its view; a window or a presenting
// controller owns the controllers it shows.
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <any>
#include <string>
#include <string_view>

#include "appkit/Application.h"


namespace morvex::appkit {

class Storyboard;
class StoryboardSegue;
class Window;

class ViewController : public QObject {
    Q_OBJECT
public:
    explicit ViewController(QObject* parent = nullptr);
    ~ViewController() override;

    // The view, loaded on first use.
    QWidget* view();
    bool isViewLoaded() const { return view_ != nullptr; }

    // The window the view is in (also for a controller presented as a sheet); null when none.
    Window* window() const;

    // Where the controller came from; null and empty for one made in code.
    Storyboard* storyboard() const { return storyboard_; }
    const std::string& identifier() const { return identifier_; }

    // Segues of the storyboard that start at this controller's scene. False when there is no
    // segue with that identifier or shouldPerformSegue refused it.
    bool performSegue(std::string_view identifier, const std::any& sender = {});
    virtual bool shouldPerformSegue(std::string_view identifier, const std::any& sender);
    virtual void prepareForSegue(StoryboardSegue& segue, const std::any& sender);

    // Shows the controller as a sheet on this controller's window (or the application's first
    // window); this controller owns it until it is dismissed. False when there is no window.
    bool presentAsSheet(ViewController* controller);
    // Ends a sheet this controller presented (or, given itself, the sheet it is shown in).
    void dismiss(ViewController* controller);
    ViewController* presentingViewController() const { return presenting_; }

    // The size the controller asks of a window or sheet that shows it (none: its view's own hint).
    QSize preferredContentSize() const { return preferredContentSize_; }
    void setPreferredContentSize(QSize size) { preferredContentSize_ = size; }

    // Life cycle, overridden by subclasses; the base versions do nothing but make a plain view.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}
    virtual void viewDidDisappear() {}

protected:
    // For loadView overrides.
    void setView(QWidget* view);

private:
    friend class Storyboard;
    friend class Window;
    friend class ViewControllerSheet;
    friend class TabViewController;
    void setStoryboardScene(Storyboard* storyboard, std::string identifier);
    void appear();
    void disappear();

    QPointer<QWidget> view_;
    bool loading_ = false;
    bool visible_ = false;
    Storyboard* storyboard_ = nullptr;
    std::string identifier_;
    QPointer<ViewController> presenting_;
    QSize preferredContentSize_;
};

}  // namespace morvex::appkit
