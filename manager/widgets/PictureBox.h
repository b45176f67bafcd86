#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace vimbo {

/// The unit a window or box measures its contents in.
enum class ScaleUnit { Twips, Pixels };

/// A window's scale unit, kept as a property of the top-level widget (twips when unset).
ScaleUnit windowScaleUnit(const QWidget& window);
void setWindowScaleUnit(QWidget& window, ScaleUnit unit);

/// A picture box: a stored picture, and the persistent image the box shows and
/// repaints from. Auto-size makes the box take its picture's natural size
/// with the picture, unscaled, as its image.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& picture() const { return m_picture; }
    /// Stores the picture and draws it, unscaled, at the top left of the image.
    void setPicture(const QPixmap& picture);

    /// The persistent image, always the size of the box: what fits stays when
    /// the box changes size, new area is blank.
    const QImage& image() const;
    /// Paints on the persistent image.
    QImage& surface();

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool autoRedraw() const { return m_autoRedraw; }
    void setAutoRedraw(bool on) { m_autoRedraw = on; }
    ScaleUnit scaleUnit() const { return m_scaleUnit; }
    void setScaleUnit(ScaleUnit unit) { m_scaleUnit = unit; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void redrawPicture();
    // Hidden widgets get their resize events late, so the image follows the size on use.
    void followSize() const;

    QPixmap m_picture;
    mutable QImage m_image;
    bool m_autoSize = false;
    bool m_autoRedraw = false;
    ScaleUnit m_scaleUnit = ScaleUnit::Twips;
};

}  // namespace vimbo
