#pragma once
// The language list sheet: every localization of the application bundle by its English and its
// own name, the current one marked. "Change" is enabled only with another language selected; it
// stores that language's code and ends the sheet with 1; "Cancel" ends it with 0. The one who
// presents it acts on the answer (the new language applies at the next start). Whoever puts its
// view into a sheet makes the sheet its parent, so the buttons end that sheet.
//
// Threads: main thread only.
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appkit/Application.h"
#include "appkit/ViewController.h"

namespace morvex {

class Bundle;

namespace appkit {
class Sheet;
class Window;
}  // namespace appkit

class LanguagesController : public appkit::ViewController {
    Q_OBJECT
public:
    // Its scene in the languages storyboard, for presenters that make it by name.
    static constexpr std::string_view kStoryboardID = "LanguagesController";

    struct Language {
        std::string code;
        std::string name;  // "English - English", "German - Deutsch"
        bool selected = false;

        friend bool operator==(const Language&, const Language&) = default;
    };
    // The bundle's localizations in its order; one without a language name (the base
    // localization) is left out. `current` is the stored interface language.
    static std::vector<Language> languagesOf(const Bundle& bundle, const std::string& current);

    // Shows a new list as a sheet on `window`; `completion` hears 1 after a change, 0 otherwise.
    // False when there is no window.
    static bool beginSheet(appkit::Window* window, std::function<void(appkit::ModalResponse)> completion);

    explicit LanguagesController(QObject* parent = nullptr);

    void loadView() override;
    void viewDidLoad() override;

    const std::optional<std::vector<Language>>& languages() const { return languages_; }
    bool enableChangeButton() const { return enableChangeButton_; }
    // The list's selection (the first index counts); none when nothing was selected yet.
    void setSelectionIndexes(std::optional<std::vector<int>> indexes);

    void changeClicked();
    void cancelClicked();

    QListWidget* list() const { return list_; }
    QPushButton* changeButton() const { return changeButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    void endSheet(appkit::ModalResponse response);
    void restyle();
    // The row at the first selected index, when that is a row of the list.
    const Language* firstSelected() const;

    std::optional<std::vector<Language>> languages_;
    bool enableChangeButton_ = false;
    std::optional<std::vector<int>> selectionIndexes_;
    QPointer<QListWidget> list_;
    QPointer<QPushButton> changeButton_;
    QPointer<QPushButton> cancelButton_;
};

}  // namespace morvex
