#pragma once
// The common base of the screens' view models: a QObject, so a model can offer properties with
// change signals that views bind to, and be owned like any other Qt object.
#include <QObject>

namespace morvex {

class BaseViewModel : public QObject {
    Q_OBJECT
public:
    explicit BaseViewModel(QObject* parent = nullptr) : QObject(parent) {}
};

}  // namespace morvex
