#include "ui/preferences/LanguagesController.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "ui/kit/Fonts.h"
#include "ui/preferences/AppSettingsStyle.h"
#include "ui/preferences/LanguagesViewController.h"

namespace morvex {

namespace {

using namespace app_settings;

// The sheet that carries the list; ending it answers the window's completion.
class LanguagesSheet : public appkit::Sheet {
public:
    explicit LanguagesSheet(LanguagesController* controller) {
        controller->setParent(this);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(controller->view());
    }
};

}  // namespace

std::vector<LanguagesController::Language> LanguagesController::languagesOf(const Bundle& bundle, const std::string& current) {
    std::vector<Language> rows;
    for (const std::string& identifier : bundle.localizations()) {
        const QLocale locale(QString::fromStdString(identifier));
        // A folder that names no language (the base localization) gives the C locale.
        if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) continue;
        const QString english = QLocale::languageToString(locale.language());
        if (english.isEmpty()) continue;
        QString native = locale.nativeLanguageName();
        // A code without a region still gets a region's variant ("American English" for "en");
        // the language's own plain name is meant.
        if (identifier.find_first_of("-_") == std::string::npos && native.contains(english, Qt::CaseInsensitive))
            native = english;
        const QString name = native.isEmpty() ? english : english + QStringLiteral(" - ") + native;
        rows.push_back({identifier, name.toStdString(), identifier == current});
    }
    return rows;
}

bool LanguagesController::beginSheet(appkit::Window* window, std::function<void(appkit::ModalResponse)> completion) {
    if (!window) return false;
    // The sheet is the scene of the languages storyboard; without it (a storyboard of a test's own)
    // it is made here.
    auto* board = appkit::Storyboard::named(LanguagesViewController::kStoryboardName);
    QObject* made = board ? board->instantiateController(kStoryboardID) : nullptr;
    auto* controller = qobject_cast<LanguagesController*>(made);
    if (!controller) {
        delete made;
        controller = new LanguagesController;
    }
    window->beginSheet(new LanguagesSheet(controller), std::move(completion));
    return true;
}

LanguagesController::LanguagesController(QObject* parent) : ViewController(parent) {}

void LanguagesController::loadView() {
    auto* page = new PageView;
    page->setObjectName(QStringLiteral("LanguagesSheetView"));
    page->setMinimumSize(360, 280);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    column->addWidget(label(QString::fromStdString(localized("languages.sheet.title")), 20, QFont::Bold, "HeadingText", page));
    list_ = new QListWidget(page);
    list_->setObjectName(QStringLiteral("languagesList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFont(systemFont(14));
    column->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancelButton_ = new QPushButton(QString::fromStdString(localized("button.cancel")), page);
    cancelButton_->setObjectName(QStringLiteral("btnCancel"));
    changeButton_ = new QPushButton(QString::fromStdString(localized("languages.sheet.change")), page);
    changeButton_->setObjectName(QStringLiteral("btnChange"));
    changeButton_->setEnabled(false);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(changeButton_);
    column->addLayout(buttons);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancelClicked(); });
    connect(changeButton_, &QPushButton::clicked, this, [this] { changeClicked(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        std::vector<int> rows;
        for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
        setSelectionIndexes(rows);
    });
    page->restyle = [this] { restyle(); };
    setView(page);
}

void LanguagesController::restyle() {
    restyleTexts(view());
    // The list draws in the page's colours: a card with rows of the list height.
    const auto color = [this](const char* name, QColor fallback) {
        return ThemedColor::colorNamed(name, fallback).resolve(list_).name();
    };
    list_->setStyleSheet(QStringLiteral("QListWidget { background: %1; color: %2; border: 1px solid %3; border-radius: 10px; "
                                        "padding: 4px; outline: none; }"
                                        "QListWidget::item { padding: 8px; border-radius: 6px; }"
                                        "QListWidget::item:selected { background: %4; color: white; }")
                             .arg(color("BottomColor", Qt::white), color("HeadingText", Qt::black),
                                  color("Separator", Qt::lightGray), color("ThemeColor", QColor(0x47, 0x72, 0xA5))));
}

void LanguagesController::viewDidLoad() {
    ViewController::viewDidLoad();
    languages_ = languagesOf(Bundle::main(), storedLanguageCode());
    for (const Language& language : *languages_) {
        auto* item = new QListWidgetItem(QString::fromStdString(language.name), list_);
        QFont font = item->font();
        font.setBold(language.selected);
        item->setFont(font);
    }
    restyle();
}

const LanguagesController::Language* LanguagesController::firstSelected() const {
    if (!selectionIndexes_ || selectionIndexes_->empty() || !languages_) return nullptr;
    const int index = selectionIndexes_->front();
    if (index < 0 || index >= static_cast<int>(languages_->size())) return nullptr;
    return &(*languages_)[static_cast<std::size_t>(index)];
}

void LanguagesController::setSelectionIndexes(std::optional<std::vector<int>> indexes) {
    selectionIndexes_ = std::move(indexes);
    // An empty selection, or one outside the list, offers no change.
    const Language* row = firstSelected();
    enableChangeButton_ = row && !row->selected;
    if (changeButton_) changeButton_->setEnabled(enableChangeButton_);
}

void LanguagesController::changeClicked() {
    const Language* row = firstSelected();
    if (!row) return;
    AppPreferences().defaults().set(row->code, AppPreferences::Key::preferredLanguageCode);
    endSheet(1);
}

void LanguagesController::cancelClicked() { endSheet(0); }

void LanguagesController::endSheet(appkit::ModalResponse response) {
    for (QObject* o = parent(); o; o = o->parent())
        if (auto* sheet = qobject_cast<appkit::Sheet*>(o)) {
            sheet->end(response);
            return;
        }
}

}  // namespace morvex
