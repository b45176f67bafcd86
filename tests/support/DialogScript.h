#pragma once

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <vector>

namespace vimbo::test {

// Answers the modal dialogs as they come up, one step each: a step fills the
// dialog on top and presses one of its buttons.
struct DialogScript {
    std::vector<std::function<void(QWidget& dialog)>> steps;
    std::size_t next = 0;
    QStringList seen;
    QTimer timer;
    DialogScript()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* top = QApplication::activeModalWidget();
            if (!top || next >= steps.size() || top->property("stepDone").toInt() == int(next) + 1)
                return;
            seen << top->objectName();
            top->setProperty("stepDone", int(next) + 1);
            steps[next++](*top);
        });
        timer.start();
    }
};

}  // namespace vimbo::test
