// The floor the benchmarks measure the application against: the least a Qt Widgets program with
// one window costs. It prints "floor window shown" when its window is shown (the moment the
// application announces its own main window), then waits.
#include <QApplication>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

class Window : public QWidget {
protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (!shown_) {
            shown_ = true;
            std::printf("floor window shown\n");
            std::fflush(stdout);
        }
    }

private:
    bool shown_ = false;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Window window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("A window")));
    window.resize(760, 500);
    window.show();
    return app.exec();
}
