#pragma once
// The languages panel of the preferences: English and German as two radios, the current language
// marked. Choosing the other language asks first (a tunnel up or coming up only gets a notice
// and nothing changes); once confirmed the language is stored and the application starts again,
// since texts already on screen keep their language until then. The back button asks the pages
// container to slide the panel out.
//
// Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/Lifetime.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"

namespace morvex {

class LanguagesViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboardName = "Languages";
    static constexpr std::string_view kStoryboardID = "LanguagesStoryboardID";
    // Posted (object none) for the pages container to slide the panel out.
    static constexpr std::string_view dismissNotification = "dismissLanguagesViewController";
    // The radios' tags: German 0, English every other.
    static constexpr int kGermanTag = 0;
    static constexpr int kEnglishTag = 1;

    struct Collaborators {
        // The language manager's change of the current language (stores, applies, announces).
        std::function<void(const std::string& code)> setLanguage;
        // Starts the application again (and ends this one when that worked).
        std::function<void()> restart;
    };
    static Collaborators defaults();

    explicit LanguagesViewController(Collaborators collaborators = defaults(), QObject* parent = nullptr);
    ~LanguagesViewController() override;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    // Whether the back button shows: only in the pages container's panel, which it slides out.
    bool showsBackButton = true;

    // The radio with that tag was clicked.
    void changeLanguage(int tag);
    void onBack();

    QPushButton* radioEnglish() const { return radioEnglish_; }
    QPushButton* radioGerman() const { return radioGerman_; }
    QLabel* englishLabel() const { return englishLabel_; }
    QLabel* germanLabel() const { return germanLabel_; }
    QPushButton* backButton() const { return backButton_; }
    // The image name each radio shows ("radioActive" or "radioInactive").
    std::string radioImage(int tag) const;

private:
    void setRadioImages(const std::string& code);

    Collaborators c_;
    QPointer<QPushButton> radioEnglish_;
    QPointer<QPushButton> radioGerman_;
    QPointer<QLabel> englishLabel_;
    QPointer<QLabel> germanLabel_;
    QPointer<QPushButton> backButton_;
    ObserverToken languageObserver_;
    Lifetime lifetime_;
};

}  // namespace morvex
