#pragma once

#include <QLineEdit>
#include <QListWidget>

#include <stdexcept>

namespace vimbo::test {

/// The child of `parent` called `name`. When there is none the test fails
/// there (gtest reports the exception) and the binary goes on to the next test.
template <typename T = QLineEdit>
T* child(const QObject& parent, const QString& name)
{
    T* widget = parent.findChild<T*>(name);
    if (!widget)
        throw std::runtime_error("no child " + name.toStdString() + " of the expected type");
    return widget;
}

/// The texts of a list's lines, top to bottom.
inline QStringList lineTexts(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

}  // namespace vimbo::test
