#include "PictureBox.h"

#include <QPainter>
#include <QVariant>

namespace vimbo {

namespace {
constexpr const char* kScaleUnitProperty = "vimboScaleUnit";
}

ScaleUnit windowScaleUnit(const QWidget& window)
{
    const QVariant unit = window.property(kScaleUnitProperty);
    return unit.isValid() ? static_cast<ScaleUnit>(unit.toInt()) : ScaleUnit::Twips;
}

void setWindowScaleUnit(QWidget& window, ScaleUnit unit)
{
    window.setProperty(kScaleUnitProperty, static_cast<int>(unit));
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), m_image(1, 1, QImage::Format_ARGB32_Premultiplied)
{
    m_image.fill(Qt::transparent);
}

void PictureBox::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    if (m_autoSize)
        resize(m_picture.size());
    redrawPicture();
}

void PictureBox::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_picture.isNull()) {
        resize(m_picture.size());
        redrawPicture();
    }
}

void PictureBox::redrawPicture()
{
    m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    QPainter painter(&m_image);
    painter.drawPixmap(0, 0, m_picture);
    update();
}

void PictureBox::followSize() const
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_image.size() == wanted)
        return;
    QImage resized(wanted, QImage::Format_ARGB32_Premultiplied);
    resized.fill(Qt::transparent);
    QPainter painter(&resized);
    painter.drawImage(0, 0, m_image);
    painter.end();
    m_image = std::move(resized);
}

const QImage& PictureBox::image() const
{
    followSize();
    return m_image;
}

QImage& PictureBox::surface()
{
    followSize();
    return m_image;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image());
}

}  // namespace vimbo
