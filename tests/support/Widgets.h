#pragma once

#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace vimbo::test {

/// The child of `parent` called `name`; a test failure when there is none.
template <typename T = QLineEdit>
T* child(const QObject& parent, const QString& name)
{
    T* widget = parent.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
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
