#pragma once

#include "Geometry.h"
#include "core/LocaleNumber.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QLineEdit>
#include <QWidget>

#include <optional>

namespace vimbo {

/// A filled-circle lamp: a shape that shows a fill colour.
class LampShape : public QWidget {
public:
    explicit LampShape(QWidget* parent = nullptr);
    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill = Qt::black;
};

/// A straight line control between two points of its parent.
class LineShape : public QWidget {
public:
    LineShape(QWidget* parent, QPoint from, QPoint to);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint m_from, m_to;
};

/// A text box whose background colour can be set and read back.
class TextBox : public QLineEdit {
public:
    explicit TextBox(QWidget* parent = nullptr);
    /// Invalid while the box shows the system's window colour it was designed with.
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    /// A stale box draws its text grey: what it shows was not read again
    /// since the probe last failed to answer, or was never read.
    void setStale(bool stale);
    bool isStale() const { return m_stale; }

private:
    QColor m_backColor;
    bool m_stale = false;
};

/// The face every window is laid out for (the set-up installs it).
QFont designFont();
/// Applies designFont() to a window and its controls.
void applyDesignFont(QWidget& window);

/// Shows `text` in a box from its first character.
void showText(QLineEdit& box, const QString& text);

/// Makes a control of type T named `name` on `parent`, placed by the twips of its design.
template <typename T>
T* placeControl(QWidget* parent, const QString& name, int left, int top, int width, int height)
{
    auto* widget = new T(parent);
    widget->setObjectName(name);
    widget->setGeometry(rectFromTwips(left, top, width, height));
    return widget;
}

/// A text box 300 twips high placed by the twips of its design, with the
/// style's inner margin taken back: the designed boxes are narrow.
TextBox* placeTextBox(QWidget* parent, const QString& name, int left, int top, int width);


/// The name of element `index` of a control array: "txtLeds_3".
QString arrayName(const char* name, int index);

/// Makes `window` one of the designed windows: its specified name and
/// caption, the instrument icon, the design face and, when given, a fixed
/// size in twips.
void designWindow(QWidget& window, const QString& name, const QString& caption);
void designWindow(QWidget& window, const QString& name, const QString& caption, int widthTwips, int heightTwips);

}  // namespace vimbo
