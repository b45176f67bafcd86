#include "Controls.h"

#include "Artwork.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include <cmath>

namespace vimbo {

LampShape::LampShape(QWidget* parent) : QWidget(parent) {}

void LampShape::setFillColor(const QColor& color)
{
    if (color == m_fill)
        return;
    m_fill = color;
    update();
}

void LampShape::paintEvent(QPaintEvent*)
{
    // A circle as wide as the shape, centred in its height.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int diameter = std::min(width(), height()) - 1;
    const QRect circle((width() - diameter) / 2, (height() - diameter) / 2, diameter, diameter);
    painter.setPen(Qt::black);
    painter.setBrush(m_fill);
    painter.drawEllipse(circle);
}

LineShape::LineShape(QWidget* parent, QPoint from, QPoint to) : QWidget(parent), m_from(from), m_to(to)
{
    const QRect area = QRect(from, to).normalized().adjusted(0, 0, 1, 1);
    setGeometry(area);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(m_from - pos(), m_to - pos());
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {}

void TextBox::setBackColor(const QColor& color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

void TextBox::setStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    QPalette colours = palette();
    // Live, the text takes the style's own colour again: the box then looks as if never grey.
    colours.setColor(QPalette::Text, stale ? QColor(128, 128, 128) : QApplication::palette(this).color(QPalette::Text));
    setPalette(colours);
}

QFont designFont()
{
    // A narrow face, sized in pixels so that it keeps its ratio to the
    // twips-placed boxes whatever the screen's dots per inch.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStretch(QFont::Condensed);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

void applyDesignFont(QWidget& window) { window.setFont(designFont()); }

void showText(QLineEdit& box, const QString& text)
{
    // Most values come back unchanged every 3 s: repainting them costs the idle CPU.
    if (box.text() == text)
        return;
    box.setText(text);
    box.setCursorPosition(0);
}

TextBox* placeTextBox(QWidget* parent, const QString& name, int left, int top, int width)
{
    auto* box = placeControl<TextBox>(parent, name, left, top, width, 300);
    box->setTextMargins(-2, 0, -2, 0);
    return box;
}


QString arrayName(const char* name, int index) { return QLatin1String(name) + QLatin1Char('_') + QString::number(index); }

void designWindow(QWidget& window, const QString& name, const QString& caption)
{
    window.setObjectName(name);
    window.setWindowTitle(caption);
    window.setWindowIcon(artwork::instrumentIcon());
    applyDesignFont(window);
}

void designWindow(QWidget& window, const QString& name, const QString& caption, int widthTwips, int heightTwips)
{
    designWindow(window, name, caption);
    window.setFixedSize(pixelsFromTwips(widthTwips), pixelsFromTwips(heightTwips));
}

}  // namespace vimbo
